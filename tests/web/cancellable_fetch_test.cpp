// A response body streamed into a sink instead of memory, the progress of a transfer, and
// reading one header of an answer.

#include "web/cancellable_fetch.h"

#include <gtest/gtest.h>

#include <mutex>
#include <random>
#include <vector>

#include "support/local_http_server.h"

namespace quilla::web {
namespace {

// Keeps what it is given, and how often it was told to start again.
class RecordingSink : public BodySink {
 public:
  explicit RecordingSink(std::size_t refuse_after = SIZE_MAX) : refuse_after_(refuse_after) {}
  void Restart() override {
    bytes.clear();
    ++restarts;
  }
  bool Write(std::string_view chunk) override {
    if (bytes.size() + chunk.size() > refuse_after_) return false;
    bytes.append(chunk);
    ++writes;
    return true;
  }
  std::string bytes;
  int restarts = 0;
  int writes = 0;

 private:
  std::size_t refuse_after_;
};

class CancellableFetchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::mt19937 generator(7);
    for (char& c : song_) c = static_cast<char>(generator());
    server_.server().Get("/song", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(song_, "audio/mpeg");
    });
    server_.server().Get("/moved", [](const httplib::Request&, httplib::Response& res) {
      res.set_redirect("/song");
      res.set_content("this song has moved to another place", "text/html");
    });
    server_.Start();
  }

  std::string song_ = std::string(512 * 1024, '\0');
  testing::LocalHttpServer server_;
};

TEST_F(CancellableFetchTest, ASinkTakesTheBodyOfTheFinalAnswerOnly) {
  RecordingSink sink;
  WebFetchOptions options;
  options.body_sink = &sink;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> progress;
  const std::atomic<bool> cancel{false};
  const WebFetchResult result = CancellableFetch(
      server_.Url("/moved"), cancel, options, 0,
      [&](std::uint64_t received, std::uint64_t total) { progress.emplace_back(received, total); });
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.status, 200);
  EXPECT_TRUE(result.body.empty());
  EXPECT_EQ(sink.bytes, song_);
  EXPECT_GE(sink.restarts, 2);  // the redirect's answer, then the song's
  EXPECT_GT(sink.writes, 1);    // in pieces, as they came
  EXPECT_EQ(ResponseHeader(result.response_headers, "content-type"), "audio/mpeg");
  ASSERT_FALSE(progress.empty());
  const std::pair<std::uint64_t, std::uint64_t> whole{song_.size(), song_.size()};
  EXPECT_EQ(progress.back(), whole);
}

TEST_F(CancellableFetchTest, ASinkThatRefusesEndsTheTransfer) {
  RecordingSink sink(100 * 1024);
  WebFetchOptions options;
  options.body_sink = &sink;
  const std::atomic<bool> cancel{false};
  const WebFetchResult result = CancellableFetch(server_.Url("/song"), cancel, options);
  EXPECT_FALSE(result.ok);
  EXPECT_LE(sink.bytes.size(), 100u * 1024u);
}

TEST(ResponseHeader, FindsTheFirstLineOfThatNameInAnyCase) {
  const std::string headers =
      "Server: test\r\ncontent-TYPE:   audio/flac ; rate=44100 \r\nContent-Type: text/html\r\n"
      "X-Empty:\r\n";
  EXPECT_EQ(ResponseHeader(headers, "Content-Type"), "audio/flac ; rate=44100");
  EXPECT_EQ(ResponseHeader(headers, "server"), "test");
  EXPECT_EQ(ResponseHeader(headers, "X-Empty"), "");
  EXPECT_EQ(ResponseHeader(headers, "Content-Length"), "");
  EXPECT_EQ(ResponseHeader("", "Server"), "");
}

}  // namespace
}  // namespace quilla::web
