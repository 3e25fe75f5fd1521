// The library's HTTP service over loopback, byte for byte: the clients' exact search
// request, media with ranges, covers, and what bad requests get.

#include <gtest/gtest.h>

#include <map>

#include "client_answer.h"
#include "library_folder.h"
#include "server/library/default_cover.h"
#include "server/library/music_library.h"
#include "support/raw_http.h"
#include "support/wait_until.h"

namespace quilla::server::library {
namespace {

using testing::RawHttpExchange;
using testing::RawHttpResponse;
using testing::TestTags;

// The address listeners are told; deliberately not the one the requests come in on.
constexpr const char* kPublicHost = "127.0.0.9";

// The header block the clients send with every search, line for line (the service's host
// in "Host", "Origin" and "Referer"), with its fixed Content-Length.
std::string ClientSearchRequest(const std::string& host, const std::string& body) {
  const char* lines[] = {
      "POST / HTTP/1.1",
      "Host: {H}",
      "Connection: keep-alive",
      "Content-Length: 42",
      "Accept: application/json, text/javascript, */*; q=0.01",
      "Origin: http://{H}/",
      "X-Requested-With: XMLHttpRequest",
      "User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
      "Chrome/55.0.2883.87 Safari/537.36",
      "Content-Type: application/x-www-form-urlencoded; charset=UTF-8",
      "Referer: http://{H}/",
      "Accept-Encoding: gzip, deflate",
      "Accept-Language: zh-CN,zh;q=0.8",
  };
  std::string block;
  for (std::string line : lines) {
    if (const auto at = line.find("{H}"); at != std::string::npos) line.replace(at, 3, host);
    block += (block.empty() ? "" : "\r\n") + line;
  }
  return block + "\r\n\r\n" + body;
}

std::string Get(const std::string& path, const std::string& extra_headers = "") {
  return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extra_headers + "\r\n";
}

std::string PostForm(const std::string& body) {
  return "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/x-www-form-urlencoded"
         "\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

class LibraryHttpTest : public ::testing::Test {
 protected:
  void StartLibrary(HttpServiceLimits limits = {}) {
    LibraryConfig config;
    config.folder = folder_.root().string();
    config.index_file = folder_.IndexFile();
    config.bind_address = "127.0.0.1";
    config.port = 0;
    config.public_host = kPublicHost;
    config.watch_folder = false;
    config.http = limits;
    library_ = std::make_unique<MusicLibrary>(config);
    std::string error;
    ASSERT_TRUE(library_->Start(&error)) << error;
    ASSERT_TRUE(testing::WaitUntil([&] { return library_->LastScan().has_value(); }));
    port_ = library_->Port();
  }

  SongId IdOfTitle(const std::string& title) {
    for (const auto& song : library_->Snapshot()->songs()) {
      if (song.title == title) return song.id;
    }
    ADD_FAILURE() << "no song " << title;
    return 0;
  }

  LibraryFolder folder_;
  std::unique_ptr<MusicLibrary> library_;
  int port_ = 0;
};

TEST_F(LibraryHttpTest, TheClientsExactRequestAskingGzipGetsPlainJsonItCanParse) {
  folder_.AddSong("周杰伦 - 晴天.mp3", TestTags().Cover(testing::FakeJpeg("sunny")));
  folder_.AddFile("周杰伦 - 晴天.lrc", "[00:01.00]故事的小黄花\n");
  folder_.AddSong("晴空.wav", TestTags().Title("晴空").Artist("某人"));
  folder_.AddSong("other.wav", TestTags().Title("别的"));
  StartLibrary();

  // 晴, one character, makes a body of exactly the 42 bytes the block announces.
  const std::string body = "input=%E6%99%B4&filter=name&type=qq&page=1";
  ASSERT_EQ(body.size(), 42u);
  const std::string host = "127.0.0.1:" + std::to_string(port_);
  const RawHttpResponse answer = RawHttpExchange(port_, ClientSearchRequest(host, body));
  ASSERT_TRUE(answer.complete);
  EXPECT_EQ(answer.status, 200);
  EXPECT_EQ(answer.Header("content-encoding"), "");
  EXPECT_EQ(answer.Header("content-type"), "application/json; charset=utf-8");
  const std::vector<ClientSong> songs = ParseLikeTheClient(answer.body);
  ASSERT_EQ(songs.size(), 2u) << answer.body;
  std::map<std::string, ClientSong> by_title;
  for (const auto& song : songs) by_title[song.title] = song;
  ASSERT_TRUE(by_title.count("晴天") && by_title.count("晴空"));
  EXPECT_EQ(by_title["晴天"].author, "周杰伦");
  EXPECT_EQ(by_title["晴天"].lrc, "[00:01.00]故事的小黄花\r\n");
  EXPECT_EQ(by_title["晴空"].lrc, "No lyrics that match the song.");
  // Addresses carry the configured host, never the one the request named.
  const std::string base = std::string("http://") + kPublicHost + ":" + std::to_string(port_);
  const SongId sunny = IdOfTitle("晴天");
  EXPECT_EQ(by_title["晴天"].url, base + "/media/" + std::to_string(sunny));
  EXPECT_EQ(by_title["晴天"].pic, base + "/cover/" + std::to_string(sunny));

  // Both addresses work (asked on the loopback address the test can reach).
  const RawHttpResponse media = RawHttpExchange(port_, Get("/media/" + std::to_string(sunny)));
  EXPECT_EQ(media.status, 200);
  EXPECT_EQ(media.Header("content-type"), "audio/mpeg");
  EXPECT_EQ(media.body, testing::ReadBytes(folder_.Path("周杰伦 - 晴天.mp3")));
  const RawHttpResponse cover = RawHttpExchange(port_, Get("/cover/" + std::to_string(sunny)));
  EXPECT_EQ(cover.status, 200);
  EXPECT_EQ(cover.Header("content-type"), "image/jpeg");
  EXPECT_EQ(cover.body, testing::FakeJpeg("sunny"));
}

TEST_F(LibraryHttpTest, SearchesPageByPageAndIgnoresRangesOnAnswers) {
  for (int i = 0; i < 12; ++i) folder_.AddSong("歌 " + std::to_string(10 + i) + ".wav");
  StartLibrary();
  const RawHttpResponse first = RawHttpExchange(port_, PostForm("input=%E6%AD%8C&page=1"));
  const RawHttpResponse second = RawHttpExchange(port_, PostForm("input=%E6%AD%8C&page=2"));
  EXPECT_EQ(ParseLikeTheClient(first.body).size(), 10u);
  EXPECT_EQ(ParseLikeTheClient(second.body).size(), 2u);
  EXPECT_NE(first.body.find("\"total\":12"), std::string::npos);
  // A Range header on a search is meaningless; the whole answer comes back.
  const RawHttpResponse ranged = RawHttpExchange(
      port_,
      "POST / HTTP/1.1\r\nHost: x\r\nRange: bytes=5000-\r\nContent-Length: 7\r\n\r\ninput=x");
  EXPECT_EQ(ranged.status, 200);
  EXPECT_NE(ranged.body.find("\"data\":[]"), std::string::npos);
}

TEST_F(LibraryHttpTest, MediaHonoursValidRangesAndRefusesOthers) {
  const std::string path = folder_.AddSong("tone.wav", TestTags().Title("tone"));
  StartLibrary();
  const std::string bytes = testing::ReadBytes(path);
  const std::size_t size = bytes.size();
  ASSERT_GT(size, 20000u);
  const std::string media = "/media/" + std::to_string(IdOfTitle("tone"));
  const std::string total = "/" + std::to_string(size);
  struct Case {
    std::string range;  // "" for no Range header
    int status;
    std::size_t first, length;
    std::string content_range;
  };
  const Case cases[] = {
      {"", 200, 0, size, ""},
      {"bytes=0-99", 206, 0, 100, "bytes 0-99" + total},
      {"bytes=1000-1999", 206, 1000, 1000, "bytes 1000-1999" + total},
      {"bytes=-500", 206, size - 500, 500,
       "bytes " + std::to_string(size - 500) + "-" + std::to_string(size - 1) + total},
      {"bytes=10000-", 206, 10000, size - 10000, "bytes 10000-" + std::to_string(size - 1) + total},
      {"bytes=100-999999999", 206, 100, size - 100,
       "bytes 100-" + std::to_string(size - 1) + total},
      {"bytes=" + std::to_string(size) + "-", 416, 0, 0, "bytes *" + total},
      {"bytes=" + std::to_string(size + 10) + "-" + std::to_string(size + 20), 416, 0, 0,
       "bytes *" + total},
      {"bytes=-0", 416, 0, 0, "bytes *" + total},
      {"bytes=0-1,5-6", 200, 0, size, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.range);
    const RawHttpResponse answer =
        RawHttpExchange(port_, Get(media, c.range.empty() ? "" : "Range: " + c.range + "\r\n"));
    ASSERT_TRUE(answer.complete);
    EXPECT_EQ(answer.status, c.status);
    EXPECT_EQ(answer.Header("accept-ranges"), "bytes");
    EXPECT_EQ(answer.Header("content-range"), c.content_range);
    EXPECT_EQ(answer.body, bytes.substr(c.first, c.length));
    if (c.status != 416) {
      EXPECT_EQ(answer.Header("content-type"), "audio/wav");
    }
  }
}

TEST_F(LibraryHttpTest, OnlyIndexedSongsByIdReachTheDisk) {
  folder_.AddSong("a.wav", TestTags().Title("a"));
  folder_.AddFile("secret.txt", "not for listeners");
  StartLibrary();
  const SongId id = IdOfTitle("a");
  for (const std::string& path :
       {std::string("/media/999999"), std::string("/media/../secret.txt"),
        std::string("/media/..%2Fsecret.txt"), "/media/" + std::to_string(id) + "/../secret.txt",
        "/media/" + std::to_string(id) + "%2F..%2Fsecret.txt", std::string("/media/-1"),
        std::string("/media/99999999999999999999"), std::string("/cover/abc"),
        std::string("/cover/999999"), std::string("/media/"), std::string("/secret.txt"),
        std::string("/../secret.txt")}) {
    const RawHttpResponse answer = RawHttpExchange(port_, Get(path));
    EXPECT_EQ(answer.status, 404) << path;
    EXPECT_EQ(answer.body.find("not for listeners"), std::string::npos) << path;
  }
}

TEST_F(LibraryHttpTest, CoversFallBackToTheDefaultPicture) {
  folder_.AddSong("bare.wav", TestTags().Title("bare"));
  StartLibrary();
  const RawHttpResponse cover = RawHttpExchange(
      port_, Get("/cover/" + std::to_string(IdOfTitle("bare")), "Accept-Encoding: gzip\r\n"));
  EXPECT_EQ(cover.status, 200);
  EXPECT_EQ(cover.Header("content-type"), "image/png");
  EXPECT_EQ(cover.body, std::string(DefaultCoverPng()));
}

TEST_F(LibraryHttpTest, BadFormsGet400HugeOnes413AndTheServiceCarriesOn) {
  folder_.AddSong("周杰伦 - 晴天.wav");
  StartLibrary();
  EXPECT_EQ(RawHttpExchange(port_, PostForm("filter=name&page=1")).status, 400);
  EXPECT_EQ(RawHttpExchange(port_, PostForm("input=%FF%FE%FD&page=1")).status, 400);  // not UTF-8
  EXPECT_EQ(RawHttpExchange(port_, PostForm("input=%E6%99&page=1")).status, 400);     // cut UTF-8
  EXPECT_EQ(RawHttpExchange(port_, PostForm("input=a&page=zero")).status, 400);
  const RawHttpResponse huge =
      RawHttpExchange(port_, PostForm("input=" + std::string(64 * 1024, 'a')));
  EXPECT_EQ(huge.status, 413);
  // The service is unharmed: the next search finds the song.
  const RawHttpResponse good = RawHttpExchange(port_, PostForm("input=%E6%99%B4&page=1"));
  EXPECT_EQ(good.status, 200);
  ASSERT_EQ(ParseLikeTheClient(good.body).size(), 1u);
  EXPECT_EQ(ParseLikeTheClient(good.body)[0].title, "晴天");
}

TEST_F(LibraryHttpTest, IdleKeptAliveConnectionsAreClosedSoTheyCannotStarveSearches) {
  folder_.AddSong("a.wav", TestTags().Title("a"));
  StartLibrary({.threads = 2, .idle_keep_alive = std::chrono::seconds(1)});
  // Two players that fetched something and then sit idle on their connections hold both
  // threads of this small pool.
  testing::RawHttpConnection idle1(port_), idle2(port_);
  for (auto* connection : {&idle1, &idle2}) {
    connection->Send(Get("/cover/" + std::to_string(IdOfTitle("a"))));
    ASSERT_EQ(connection->ReadResponse().status, 200);
  }
  // A search still gets its answer: the idle ones are closed.
  const RawHttpResponse search = RawHttpExchange(port_, PostForm("input=a"));
  EXPECT_EQ(search.status, 200);
  EXPECT_EQ(ParseLikeTheClient(search.body).size(), 1u);
  EXPECT_TRUE(idle1.WaitForClose(std::chrono::seconds(10)));
  EXPECT_TRUE(idle2.WaitForClose(std::chrono::seconds(10)));
}

}  // namespace
}  // namespace quilla::server::library
