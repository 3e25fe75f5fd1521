#include "web/web_fetch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "encoding/gbk.h"
#include "support/local_http_server.h"

namespace quilla::web {
namespace {

using ::testing::HasSubstr;
using quilla::testing::LocalHttpServer;
using ::testing::Not;

constexpr const char* kDefaultUserAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// windowBits 31: gzip wrapper; 15: zlib wrapper (what "deflate" means on the web).
std::string Compress(const std::string& data, int window_bits) {
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY),
            Z_OK);
  std::string out(deflateBound(&stream, data.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

class WebFetchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    httplib::Server& s = server_.server();
    auto ok = [](const httplib::Request&, httplib::Response& res) {
      res.set_content("ok", "text/plain");
    };
    s.Get("/echo", ok);
    s.Post("/echo", ok);
    s.Put("/echo", ok);
    s.Delete("/echo", ok);
    s.Options("/echo", ok);
    s.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
      res.status = 404;
      res.set_content("no such page", "text/plain");
    });
    s.Get("/redirect", [](const httplib::Request&, httplib::Response& res) {
      res.set_redirect("/echo");
      res.set_content("moved", "text/plain");
    });
    s.Get("/cookies", [](const httplib::Request& req, httplib::Response& res) {
      if (req.has_param("merge")) {
        res.set_header("Set-Cookie", "b=3");
        res.set_header("Set-Cookie", "c=deleted; Path=/");
      } else {
        res.set_header("Set-Cookie", "a=1; Path=/; HttpOnly");
        res.set_header("Set-Cookie", "b=2");
      }
      res.set_header("X-Test", "1");
      res.set_content("cookies", "text/plain");
    });
    s.Post("/search", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Content-Encoding", "gzip");
      res.set_content(Compress(kSearchAnswer, 31), "application/octet-stream");
    });
    s.Get("/deflate", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Content-Encoding", "deflate");
      res.set_content(Compress(kSearchAnswer, 15), "application/octet-stream");
    });
    s.Get("/bomb", [](const httplib::Request&, httplib::Response& res) {
      // 65 MiB of zeros in about 64 KiB: the limit must hold for the decoded size.
      res.set_header("Content-Encoding", "gzip");
      res.set_content(Compress(std::string(65u << 20, '\0'), 31), "application/octet-stream");
    });
    s.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
      std::unique_lock<std::mutex> lock(stall_mutex_);
      stall_cv_.wait_for(lock, std::chrono::seconds(5), [this] { return stall_released_; });
      res.set_content("late", "text/plain");
    });
    server_.Start();
  }

  void TearDown() override {
    {
      std::lock_guard<std::mutex> lock(stall_mutex_);
      stall_released_ = true;
    }
    stall_cv_.notify_all();
    server_.Stop();
  }

  static constexpr const char* kSearchAnswer =
      R"([{"title":"a","author":"b","lrc":"c","url":"d","pic":"e"}])";

  LocalHttpServer server_;
  std::mutex stall_mutex_;
  std::condition_variable stall_cv_;
  bool stall_released_ = false;
};

TEST_F(WebFetchTest, GetSendsTheBrowserDefaultsAndNothingElse) {
  const std::string url = server_.Url("/echo?x=1");
  WebFetchResult result = WebFetch(url);

  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.status, 200);
  EXPECT_EQ(result.body, "ok");
  httplib::Request req = server_.LastRequest();
  EXPECT_EQ(req.method, "GET");
  EXPECT_EQ(req.get_header_value("Accept"), "*/*");
  EXPECT_EQ(req.get_header_value("Referer"), url);
  EXPECT_EQ(req.get_header_value("Accept-Language"), "zh-cn");
  EXPECT_EQ(req.get_header_value("User-Agent"), kDefaultUserAgent);
  EXPECT_FALSE(req.has_header("Content-Type"));
  EXPECT_FALSE(req.has_header("Content-Length"));
  EXPECT_FALSE(req.has_header("Cookie"));
  EXPECT_FALSE(req.has_header("Accept-Encoding"));
  EXPECT_FALSE(req.has_header("Expect"));
  EXPECT_EQ(req.get_header_value("Host"), "127.0.0.1:" + std::to_string(server_.port()));
}

TEST_F(WebFetchTest, MethodNumbersPickTheMethodAndUnknownNumbersMeanGet) {
  const std::pair<int, const char*> cases[] = {
      {0, "GET"},     {1, "POST"},   {2, "HEAD"}, {3, "PUT"},
      {4, "OPTIONS"}, {5, "DELETE"}, {9, "GET"},  {-1, "GET"},
  };
  for (const auto& [number, name] : cases) {
    SCOPED_TRACE(number);
    WebFetchOptions options;
    options.method = number;
    WebFetchResult result = WebFetch(server_.Url("/echo"), options);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(server_.LastRequest().method, name);
    EXPECT_EQ(result.body, std::string(name) == "HEAD" ? "" : "ok");
  }
}

TEST_F(WebFetchTest, PostHeadersAndBody) {
  struct Case {
    const char* extra_headers;
    const char* expected_content_type;
  };
  const Case cases[] = {
      {"", "application/x-www-form-urlencoded"},
      // The caller's lower-case line is rewritten and no default is added next to it.
      {"content-type: text/plain; charset=UTF-8", "text/plain; charset=UTF-8"},
      {"X-One: 1\r\ncontent-type: application/json", "application/json"},
      // Another spelling is not found by the exact search; the default then replaces it,
      // so still exactly one Content-Type arrives.
      {"Content-type: text/plain", "application/x-www-form-urlencoded"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.extra_headers);
    WebFetchOptions options;
    options.method = kPost;
    options.body_text = "input=abc&page=2";
    options.extra_headers = c.extra_headers;
    ASSERT_TRUE(WebFetch(server_.Url("/echo"), options).ok);
    httplib::Request req = server_.LastRequest();
    EXPECT_EQ(req.method, "POST");
    EXPECT_EQ(req.headers.count("Content-Type"), 1u);
    EXPECT_EQ(req.get_header_value("Content-Type"), c.expected_content_type);
    EXPECT_EQ(req.body, "input=abc&page=2");
    EXPECT_EQ(req.get_header_value("Content-Length"), "16");
  }
}

TEST_F(WebFetchTest, HeaderLinesAreParsedAndUnsafeLinesDropped) {
  WebFetchOptions options;
  options.extra_headers =
      "GET / HTTP/1.1\r\n"           // no colon: no header
      "\r\n"                         // empty line: skipped
      "  X-Spaced  :   a b  \r\n"    // name and value trimmed
      "X-Colon: c:d\r\n"             // value after the first colon only
      "X-Smuggle: 1\nX-Injected: 2"  // a bare LF must not start a new header
      "\r\nAccept: text/html";
  ASSERT_TRUE(WebFetch(server_.Url("/echo"), options).ok);
  httplib::Request req = server_.LastRequest();
  EXPECT_EQ(req.get_header_value("X-Spaced"), "a b");
  EXPECT_EQ(req.get_header_value("X-Colon"), "c:d");
  EXPECT_FALSE(req.has_header("X-Injected"));
  EXPECT_FALSE(req.has_header("X-Smuggle"));
  EXPECT_EQ(req.headers.count("Accept"), 1u);
  EXPECT_EQ(req.get_header_value("Accept"), "text/html");
  EXPECT_EQ(req.get_header_value("Accept-Language"), "zh-cn");
}

TEST_F(WebFetchTest, SearchHeaderBlockSendsTheWholeBodyAndGetsTheAnswerDecoded) {
  const std::string host = "127.0.0.1:" + std::to_string(server_.port());
  const std::string body =
      "input=%E4%BD%A0%E5%A5%BD%E4%BD%A0%E5%A5%BD%E4%BD%A0%E5%A5%BD&filter=name&type=qq&page=1";
  WebFetchOptions options;
  options.method = kPost;
  options.body_text = body;
  options.extra_headers = "POST / HTTP/1.1\r\nHost: " + host +
                          "\r\nConnection: keep-alive\r\nContent-Length: 42\r\n"
                          "Accept: application/json, text/javascript, */*; q=0.01\r\n"
                          "Origin: http://" +
                          host +
                          "/\r\nX-Requested-With: XMLHttpRequest\r\n"
                          "User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36\r\n"
                          "Content-Type: application/x-www-form-urlencoded; charset=UTF-8\r\n"
                          "Referer: http://" +
                          host +
                          "/\r\nAccept-Encoding: gzip, deflate\r\n"
                          "Accept-Language: zh-CN,zh;q=0.8";

  WebFetchResult result = WebFetch(server_.Url("/search"), options);

  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.body, kSearchAnswer);
  httplib::Request req = server_.LastRequest();
  EXPECT_EQ(req.body, body);
  EXPECT_EQ(req.get_header_value("Content-Length"), std::to_string(body.size()));
  EXPECT_EQ(req.headers.count("Content-Type"), 1u);
  EXPECT_EQ(req.get_header_value("Content-Type"),
            "application/x-www-form-urlencoded; charset=UTF-8");
  EXPECT_EQ(req.get_header_value("Accept"), "application/json, text/javascript, */*; q=0.01");
  EXPECT_EQ(req.get_header_value("Referer"), "http://" + host + "/");
  EXPECT_EQ(req.get_header_value("Accept-Language"), "zh-CN,zh;q=0.8");
  EXPECT_EQ(req.get_header_value("Accept-Encoding"), "gzip, deflate");
  EXPECT_EQ(req.get_header_value("Host"), host);
  EXPECT_EQ(req.headers.count("User-Agent"), 1u);
}

TEST_F(WebFetchTest, DeflateBodyIsDecodedToo) {
  WebFetchOptions options;
  options.extra_headers = "Accept-Encoding: gzip, deflate";
  WebFetchResult result = WebFetch(server_.Url("/deflate"), options);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.body, kSearchAnswer);
}

TEST_F(WebFetchTest, BodyBytesWinOverBodyText) {
  const std::string bytes("\x00\x01\xff binary", 10);
  WebFetchOptions options;
  options.method = kPut;
  options.body_text = "ignored";
  options.body_bytes = bytes;
  ASSERT_TRUE(WebFetch(server_.Url("/echo"), options).ok);
  httplib::Request req = server_.LastRequest();
  EXPECT_EQ(req.method, "PUT");
  EXPECT_EQ(req.body, bytes);
  EXPECT_FALSE(req.has_header("Content-Type"));  // only a POST gets the form type
}

TEST_F(WebFetchTest, CookiesReceivedAndSent) {
  WebFetchResult result = WebFetch(server_.Url("/cookies"));
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.cookies_received, "a=1; b=2");
  EXPECT_THAT(result.response_headers, HasSubstr("X-Test: 1\r\n"));
  EXPECT_THAT(result.response_headers, HasSubstr("Set-Cookie: a=1; Path=/; HttpOnly\r\n"));
  EXPECT_THAT(result.response_headers, Not(HasSubstr("HTTP/1.1")));

  WebFetchOptions options;
  options.cookies = "a=1; b=2";
  result = WebFetch(server_.Url("/cookies?merge=1"), options);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(server_.LastRequest().get_header_value("Cookie"), "a=1; b=2");
  EXPECT_EQ(result.cookies_received, "b=3; a=1");

  options.merge_cookies = false;
  result = WebFetch(server_.Url("/cookies?merge=1"), options);
  EXPECT_EQ(result.cookies_received, "b=3; c=deleted");
}

TEST_F(WebFetchTest, NoCookieLinesGiveEmptyCookies) {
  WebFetchResult result = WebFetch(server_.Url("/echo"));
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.cookies_received, "");
}

TEST_F(WebFetchTest, NoStatusIsAnError) {
  WebFetchResult result = WebFetch(server_.Url("/missing"));
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.status, 404);
  EXPECT_EQ(result.body, "no such page");
}

TEST_F(WebFetchTest, RedirectsAreFollowedUnlessSwitchedOff) {
  WebFetchResult followed = WebFetch(server_.Url("/redirect"));
  ASSERT_TRUE(followed.ok);
  EXPECT_EQ(followed.status, 200);
  EXPECT_EQ(followed.body, "ok");
  EXPECT_EQ(server_.LastRequest().path, "/echo");
  EXPECT_THAT(followed.response_headers, Not(HasSubstr("Location:")));

  WebFetchOptions options;
  options.no_redirects = true;
  WebFetchResult stopped = WebFetch(server_.Url("/redirect"), options);
  ASSERT_TRUE(stopped.ok);
  EXPECT_EQ(stopped.status, 302);
  EXPECT_EQ(stopped.body, "moved");
  EXPECT_THAT(stopped.response_headers, HasSubstr("Location: /echo\r\n"));
  EXPECT_EQ(server_.LastRequest().path, "/redirect");
}

TEST_F(WebFetchTest, TimeoutEndsAStalledRequestWithAnEmptyResult) {
  WebFetchOptions options;
  options.timeout_seconds = 1;
  const auto started = std::chrono::steady_clock::now();
  WebFetchResult result = WebFetch(server_.Url("/stall"), options);
  const auto elapsed = std::chrono::steady_clock::now() - started;
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.body, "");
  EXPECT_EQ(result.status, 0);
  EXPECT_LT(elapsed, std::chrono::milliseconds(4000));
}

TEST(WebFetchTimeouts, SecondsBecomePhaseLimits) {
  struct Case {
    int seconds;
    long connect_ms;
    long idle_seconds;
  };
  const Case cases[] = {
      {5, 5000, 5}, {1, 1000, 1}, {0, 15000, 15}, {-7, 15000, 15}, {-1, 60000, 30}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seconds);
    WebFetchTimeouts t = TimeoutsForSeconds(c.seconds);
    EXPECT_EQ(t.connect_ms, c.connect_ms);
    EXPECT_EQ(t.idle_seconds, c.idle_seconds);
  }
}

TEST_F(WebFetchTest, DecodedBodyOverTheLimitFails) {
  WebFetchOptions options;
  options.extra_headers = "Accept-Encoding: gzip";
  WebFetchResult result = WebFetch(server_.Url("/bomb"), options);
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(result.body.empty());
}

TEST_F(WebFetchTest, RefusedConnectionAndBadSchemesGiveEmptyResults) {
  const int port = server_.port();
  server_.Stop();
  const std::string urls[] = {"http://127.0.0.1:" + std::to_string(port) + "/echo",
                              "file:///etc/hostname", "not a url", ""};
  for (const std::string& url : urls) {
    SCOPED_TRACE(url);
    WebFetchResult result = WebFetch(url);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.body, "");
    EXPECT_EQ(result.response_headers, "");
  }
}

TEST_F(WebFetchTest, ExistingHandleServesSeveralCalls) {
  CURL* handle = curl_easy_init();
  ASSERT_NE(handle, nullptr);
  WebFetchOptions options;
  options.existing_handle = handle;
  options.method = kPost;
  options.body_text = "first";
  EXPECT_EQ(WebFetch(server_.Url("/echo"), options).body, "ok");
  EXPECT_EQ(server_.LastRequest().body, "first");
  // The second call must not inherit the first one's method or body.
  options.method = kGet;
  options.body_text.clear();
  EXPECT_EQ(WebFetch(server_.Url("/echo"), options).body, "ok");
  EXPECT_EQ(server_.LastRequest().method, "GET");
  EXPECT_EQ(server_.LastRequest().body, "");

  // The caller's own options stay in force: a progress callback can cancel the call.
  curl_xferinfo_callback abort = [](void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return 1;
  };
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, abort);
  EXPECT_FALSE(WebFetch(server_.Url("/echo"), options).ok);
  curl_easy_cleanup(handle);
}

TEST_F(WebFetchTest, CallsOnSeveralThreadsAreIndependent) {
  std::vector<std::thread> threads;
  std::vector<std::string> bodies(6);
  for (size_t i = 0; i < bodies.size(); ++i) {
    threads.emplace_back([&, i] { bodies[i] = WebFetch(server_.Url("/echo")).body; });
  }
  for (std::thread& t : threads) t.join();
  for (const std::string& body : bodies) EXPECT_EQ(body, "ok");
}

// A loopback server playing an HTTP proxy: it gets the absolute address on the request
// line and answers for the target itself.
TEST(WebFetchProxy, RequestGoesThroughTheProxyWithBasicAuthorization) {
  LocalHttpServer proxy;
  proxy.server().Get(".*", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("from proxy", "text/plain");
  });
  proxy.Start();
  const std::string target = "http://127.0.0.1:9/page?q=1";

  struct Case {
    std::string user;
    int flag;
    std::string expected_authorization;  // "" = none sent
  };
  const Case cases[] = {
      {"user", 1, "Basic " + Base64Encode("user:secret")},
      // The credentials travel as GBK bytes.
      {"用户", 1, "Basic " + Base64Encode(encoding::Utf8ToGbk("用户:secret"))},
      {"user", 0, ""},
      {"", 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.user + std::to_string(c.flag));
    WebFetchOptions options;
    options.proxy = "127.0.0.1:" + std::to_string(proxy.port());
    options.proxy_user = c.user;
    options.proxy_password = "secret";
    options.proxy_authorization = c.flag;
    WebFetchResult result = WebFetch(target, options);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.body, "from proxy");
    httplib::Request req = proxy.LastRequest();
    EXPECT_EQ(req.target, target);
    EXPECT_EQ(req.get_header_value("Proxy-Authorization"), c.expected_authorization);
    EXPECT_EQ(req.get_header_value("Referer"), target);
  }
}

TEST(MergeCookies, ReceivedWinsDeletedDropsSentFillsIn) {
  struct Case {
    const char* sent;
    const char* received;
    const char* merged;
  };
  const Case cases[] = {
      {"a=1; b=2", "b=3; c=deleted", "b=3; a=1"},
      {"a=1", "", "a=1"},
      {"", "a=1; b=2", "a=1; b=2"},
      {"", "", ""},
      {"a=1; a=1", "b=2", "b=2; a=1"},       // exact duplicates collapse
      {"a = 1 ;b=2", "a=9;", "a=9; b=2"},    // spaces go, empty items go
      {"sid=x", "sid=deleted", ""},          // a deleted cookie is not sent back
      {"flag", "other=1", "other=1; flag"},  // an item without "=" is its own name
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.sent) + " | " + c.received);
    EXPECT_EQ(MergeCookies(c.sent, c.received), c.merged);
  }
}

TEST(RemoveDuplicateItems, KeepsFirstOccurrenceInOrder) {
  EXPECT_EQ(RemoveDuplicateItems("b; a; b; c; a", "; "), "b; a; c");
  EXPECT_EQ(RemoveDuplicateItems("x", ","), "x");
  EXPECT_EQ(RemoveDuplicateItems("a,A,a", ","), "a,A");  // exact items only
  EXPECT_EQ(RemoveDuplicateItems("a,,b,,", ","), "a,,b");
  EXPECT_EQ(RemoveDuplicateItems("a;a", ""), "a;a");
}

TEST(Base64Encode, StandardAlphabetAndPadding) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"user:secret", "dXNlcjpzZWNyZXQ="},
      {std::string("\xfb\xff\xbf", 3), "+/+/"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(Base64Encode(bytes), text);
}

}  // namespace
}  // namespace quilla::web
