#include "web/web_request.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "encoding/gbk.h"
#include "support/local_http_server.h"
#include "support/wait_until.h"
#include "web/http_get.h"

namespace quilla::web {
namespace {

using quilla::testing::LocalHttpServer;

class WebRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    httplib::Server& s = server_.server();
    s.Get("/gbk", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(encoding::Utf8ToGbk("{\"name\":\"热歌\"}"), "text/html; charset=GBK");
    });
    s.Get("/gb2312", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(encoding::Utf8ToGbk("成名曲"), "text/plain;charset=\"gb2312\"");
    });
    s.Get("/utf8", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("成名曲", "application/json; charset=utf-8");
    });
    s.Get("/plain", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("成名曲", "application/json");
    });
    s.Get("/picture", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(std::string("\x89PNG\r\n\x1a\n\0\0", 10), "image/png");
    });
    s.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
      res.status = 404;
      res.set_content("not here", "text/plain");
    });
    s.Get("/moved",
          [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/picture"); });
    s.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
      std::unique_lock<std::mutex> lock(mutex_);
      cv_.wait_for(lock, std::chrono::seconds(5), [this] { return released_; });
      res.set_content("late", "text/plain");
    });
    server_.Start();
  }

  void TearDown() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      released_ = true;
    }
    cv_.notify_all();
    server_.Stop();
  }

  LocalHttpServer server_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool released_ = false;
};

TEST_F(WebRequestTest, ResponseTextFollowsTheCharset) {
  WebRequest request;
  ASSERT_TRUE(request.Create());
  const std::pair<const char*, const char*> cases[] = {
      {"/gbk", "{\"name\":\"热歌\"}"},
      {"/gb2312", "成名曲"},
      {"/utf8", "成名曲"},
      {"/plain", "成名曲"},
  };
  // One object for a sequence of requests, as the radio uses it.
  for (const auto& [path, text] : cases) {
    SCOPED_TRACE(path);
    ASSERT_TRUE(request.Open("GET", server_.Url(path)));
    ASSERT_TRUE(request.Send());
    EXPECT_EQ(request.Status(), 200);
    EXPECT_EQ(request.ResponseText(), text);
  }
}

TEST_F(WebRequestTest, UsageErrorsFailWithoutSending) {
  WebRequest request;
  EXPECT_FALSE(request.Open("GET", server_.Url("/utf8")));  // not created yet
  EXPECT_FALSE(request.Send());
  ASSERT_TRUE(request.Create());
  EXPECT_TRUE(request.Create());
  EXPECT_FALSE(request.Open("GET", server_.Url("/utf8"), /*asynchronous=*/true));
  EXPECT_FALSE(request.Send());
  EXPECT_FALSE(request.Open("GET", ""));
  EXPECT_TRUE(server_.Requests().empty());
}

TEST_F(WebRequestTest, OpenForgetsThePreviousResponse) {
  WebRequest request;
  ASSERT_TRUE(request.Create());
  ASSERT_TRUE(request.Open("", server_.Url("/utf8")));  // empty method means GET
  ASSERT_TRUE(request.Send());
  EXPECT_EQ(server_.LastRequest().method, "GET");
  ASSERT_TRUE(request.Open("GET", server_.Url("/missing")));
  EXPECT_EQ(request.ResponseText(), "");
  EXPECT_EQ(request.Status(), 0);
  ASSERT_TRUE(request.Send());
  EXPECT_EQ(request.Status(), 404);
  EXPECT_EQ(request.ResponseText(), "not here");
}

TEST_F(WebRequestTest, TimeoutEndsAStalledRequest) {
  WebRequest request;
  ASSERT_TRUE(request.Create());
  request.SetTimeout(std::chrono::milliseconds(500));
  ASSERT_TRUE(request.Open("GET", server_.Url("/stall")));
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(request.Send());
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4));
  EXPECT_EQ(request.ResponseText(), "");
}

TEST_F(WebRequestTest, HttpGetBytesReturnsOnlySuccessfulBodies) {
  const std::string png("\x89PNG\r\n\x1a\n\0\0", 10);
  EXPECT_EQ(HttpGetBytes(server_.Url("/picture")), png);
  EXPECT_EQ(HttpGetBytes(server_.Url("/moved")), png);
  EXPECT_EQ(HttpGetBytes(server_.Url("/missing")), std::nullopt);
  EXPECT_EQ(HttpGetBytes(""), std::nullopt);
  EXPECT_EQ(HttpGetBytes("file:///etc/hostname"), std::nullopt);
}

TEST_F(WebRequestTest, HttpGetBytesGivesUpAtTheTimeout) {
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(HttpGetBytes(server_.Url("/stall"), std::chrono::milliseconds(300)), std::nullopt);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}

TEST_F(WebRequestTest, HttpGetBytesCanBeCancelledFromAnotherThread) {
  std::atomic<bool> cancel{false};
  EXPECT_EQ(HttpGetBytes(server_.Url("/picture"), std::chrono::seconds(10), cancel)->size(), 10u);

  // The stalled answer would come after 5 s ("late"); the cancel ends the GET before it.
  std::optional<std::string> result = "not yet";
  std::thread get(
      [&] { result = HttpGetBytes(server_.Url("/stall"), std::chrono::minutes(1), cancel); });
  ASSERT_TRUE(quilla::testing::WaitUntil([&] { return !server_.ArrivalsAt("/stall").empty(); }));
  cancel = true;
  get.join();
  EXPECT_EQ(result, std::nullopt);
  // A flag that is set already sends nothing.
  EXPECT_EQ(HttpGetBytes(server_.Url("/picture"), std::chrono::seconds(10), cancel), std::nullopt);
  EXPECT_EQ(server_.ArrivalsAt("/picture").size(), 1u);
}

TEST(HttpGetBytes, RefusedConnectionGivesNothing) {
  int port = 0;
  {
    LocalHttpServer closed;
    closed.Start();
    port = closed.port();
  }
  EXPECT_EQ(HttpGetBytes("http://127.0.0.1:" + std::to_string(port) + "/x"), std::nullopt);
}

}  // namespace
}  // namespace quilla::web
