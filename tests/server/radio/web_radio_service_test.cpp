#include "server/radio/web_radio_service.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "support/free_port.h"
#include "support/gate.h"
#include "support/local_http_server.h"

namespace quilla::server {
namespace {

using quilla::testing::FreeLoopbackPort;
using quilla::testing::LocalHttpServer;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A stand-in for the FM service: answers shaped like the real ones (JSON text whose
// addresses have escaped slashes and whose names are \u escapes), keyed by the query.
class FakeRadioService {
 public:
  FakeRadioService() {
    auto& server = http_.server();
    server.Get("/dev/api/", [this](const httplib::Request& request, httplib::Response& response) {
      Answer(playlists,
             request.get_param_value("tn") == "playlist" ? request.get_param_value("id") : "",
             response);
    });
    server.Get("/data/music/songlink",
               [this](const httplib::Request& request, httplib::Response& response) {
                 Answer(songlinks, request.get_param_value("songIds"), response);
               });
    server.Get("/data/music/songinfo",
               [this](const httplib::Request& request, httplib::Response& response) {
                 Answer(songinfos, request.get_param_value("songIds"), response);
               });
    server.Get(R"(/lrc/(\w+)\.lrc)",
               [this](const httplib::Request& request, httplib::Response& response) {
                 Answer(lyrics, request.matches[1], response, "text/plain");
               });
    http_.Start();
  }

  std::string Base() const { return http_.Base(); }
  // An address on this service as the FM service writes it inside its answers.
  std::string EscapedUrl(const std::string& path) const {
    return "http:\\/\\/127.0.0.1:" + std::to_string(http_.port()) + path;
  }
  std::string Url(const std::string& path) const { return Base() + path; }

  // Answers by key; a missing key gets the service's 404 page.
  std::map<std::string, std::string> playlists, songlinks, songinfos, lyrics;
  LocalHttpServer http_;

 private:
  static void Answer(const std::map<std::string, std::string>& answers, const std::string& key,
                     httplib::Response& response, const char* type = "text/html; charset=utf-8") {
    const auto found = answers.find(key);
    if (found == answers.end()) {
      response.status = 404;
      response.set_content("<html><body>404 Not Found</body></html>", "text/html");
      return;
    }
    response.set_content(found->second, type);
  }
};

std::string PlaylistAnswer(const std::vector<std::string>& ids) {
  std::string list;
  for (const auto& id : ids) {
    if (!list.empty()) list += ",";
    list += "{\"id\":" + id + ",\"type\":0,\"method\":0,\"flow\":0}";
  }
  return "{\"error_code\":22000,\"user_id\":0,\"user_name\":\"\",\"list\":[" + list + "]}";
}

std::string SonglinkAnswer(const std::string& id, const std::string& name,
                           const std::string& artist, const std::string& lrc_link,
                           const std::string& song_link) {
  return "{\"errorCode\":22000,\"data\":{\"xcode\":\"a1b2\",\"songList\":[{\"queryId\":\"" + id +
         "\",\"songId\":" + id + ",\"songName\":\"" + name +
         "\",\"artistId\":\"1078\",\"artistName\":\"" + artist +
         "\",\"albumId\":1011,\"albumName\":\"\\u53f6\\u60e0\\u7f8e\",\"songPicSmall\":"
         "\"http:\\/\\/img.example\\/s.jpg\",\"lrcLink\":\"" +
         lrc_link + "\",\"time\":269,\"linkCode\":22000,\"songLink\":\"" + song_link +
         "\",\"showLink\":\"http:\\/\\/show.example\\/1\",\"format\":\"mp3\",\"rate\":128,"
         "\"size\":4316160}]}}";
}

TEST(WebRadioServiceTest, FetchRadioListScansTheIdsInOrder) {
  FakeRadioService fake;
  fake.playlists["public_tuijian_rege"] = PlaylistAnswer({"877578", "1254", "99"});
  fake.playlists["public_fengge_dj"] = PlaylistAnswer({});
  fake.playlists["public_yuzhong_riyu"] = "{\"error_code\":22001,\"msg\":\"bad channel\"}";
  WebRadioService radio(fake.Base());

  EXPECT_THAT(radio.FetchRadioList("public_tuijian_rege"), ElementsAre("877578", "1254", "99"));
  EXPECT_THAT(radio.FetchRadioList("public_fengge_dj"), IsEmpty());
  EXPECT_THAT(radio.FetchRadioList("public_yuzhong_riyu"), IsEmpty());
  EXPECT_THAT(radio.FetchRadioList("public_xinqing_jimo"), IsEmpty());  // 404 page

  const auto requests = fake.http_.Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].target, "/dev/api/?tn=playlist&id=public_tuijian_rege");
  EXPECT_EQ(requests[3].target, "/dev/api/?tn=playlist&id=public_xinqing_jimo");
}

TEST(WebRadioServiceTest, FetchRadioListTakesEachIdUpToTheNextTypeMarker) {
  // An entry without its own ",\"type\"" runs on to the next one; the scan goes on after
  // each "\"id\":" found.
  FakeRadioService fake;
  fake.playlists["c"] = "[{\"id\":1,\"flow\":0},{\"id\":2,\"type\":0},{\"id\":3}]";
  WebRadioService radio(fake.Base());
  EXPECT_THAT(radio.FetchRadioList("c"), ElementsAre("1,\"flow\":0},{\"id\":2", "2"));
}

TEST(WebRadioServiceTest, LookUpRadioSongResolvesEscapesAndRemovesBackslashes) {
  FakeRadioService fake;
  fake.songlinks["877578"] = SonglinkAnswer("877578", "\\u6674\\u5929", "\\u5468\\u6770\\u4f26",
                                            fake.EscapedUrl("/lrc/877578.lrc"),
                                            fake.EscapedUrl("/song/877578.mp3?xcode=a1b2"));
  fake.songlinks["42"] = SonglinkAnswer("42", "\\u4e2d\\u6587 Song", "A\\u0026B", "", "");
  WebRadioService radio(fake.Base());

  const RadioSong song = radio.LookUpRadioSong("877578");
  EXPECT_EQ(song.title, "晴天");
  EXPECT_EQ(song.artist, "周杰伦");
  EXPECT_EQ(song.lyrics_url, fake.Url("/lrc/877578.lrc"));
  EXPECT_EQ(song.song_url, fake.Url("/song/877578.mp3?xcode=a1b2"));

  const RadioSong mixed = radio.LookUpRadioSong("42");
  EXPECT_EQ(mixed.title, "中文 Song");
  EXPECT_EQ(mixed.artist, "A&B");
  EXPECT_EQ(mixed.lyrics_url, "");
  EXPECT_EQ(mixed.song_url, "");

  const RadioSong missing = radio.LookUpRadioSong("7");  // 404 page: every field empty
  EXPECT_EQ(missing.title, "");
  EXPECT_EQ(missing.artist, "");
  EXPECT_EQ(missing.lyrics_url, "");
  EXPECT_EQ(missing.song_url, "");

  const auto requests = fake.http_.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].target, "/data/music/songlink?songIds=877578");
}

TEST(WebRadioServiceTest, LookUpRadioPictureCutsAtTheNextSizeMarker) {
  struct Case {
    std::string name;
    std::string answer;
    std::string picture;
  };
  const Case cases[] = {
      {"cut before @s",
       "{\"data\":{\"songList\":[{\"songPicSmall\":\"http:\\/\\/p.example\\/s.jpg@s_0,w_90\","
       "\"songPicRadio\":\"http:\\/\\/p.example\\/r.jpg@s_0,w_300\",\"lrcLink\":\"\"}]}}",
       "http://p.example/r.jpg"},
      {"value without @s runs on to a later one",
       "{\"songPicRadio\":\"http:\\/\\/p.example\\/r.jpg\",\"songPicBig\":"
       "\"http:\\/\\/p.example\\/b.jpg@s_0,w_500\"}",
       "http://p.example/r.jpg\",\"songPicBig\":\"http://p.example/b.jpg"},
      {"no @s anywhere", "{\"songPicRadio\":\"http:\\/\\/p.example\\/r.jpg\"}", ""},
      {"field missing", "{\"songPicBig\":\"http:\\/\\/p.example\\/b.jpg@s_0\"}", ""},
  };
  FakeRadioService fake;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    fake.songinfos[std::to_string(i)] = cases[i].answer;
  }
  WebRadioService radio(fake.Base());
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(radio.LookUpRadioPicture(std::to_string(i)), cases[i].picture) << cases[i].name;
  }
  EXPECT_EQ(fake.http_.Requests().front().target, "/data/music/songinfo?songIds=0");
}

TEST(WebRadioServiceTest, DownloadLyricsKeepsUtf8AndSurvivesBadBytes) {
  FakeRadioService fake;
  fake.lyrics["877578"] = "[ti:晴天]\r\n[00:01.50]故事的小黄花\r\n[00:02.10]从出生那年就飘着\r\n";
  static constexpr char kBad[] = "[00:01.00]\xC7\xE7\xCC\xEC\r\n[00:02.00]ok\0tail";
  fake.lyrics["bad"] = std::string(kBad, sizeof(kBad) - 1);
  fake.songlinks["877578"] =
      SonglinkAnswer("877578", "", "", fake.EscapedUrl("/lrc/877578.lrc"), "");
  WebRadioService radio(fake.Base());

  // The address comes out of the song lookup and is fetched as it is.
  const RadioSong song = radio.LookUpRadioSong("877578");
  EXPECT_EQ(radio.DownloadLyrics(song.lyrics_url), fake.lyrics["877578"]);
  EXPECT_EQ(radio.DownloadLyrics(fake.Url("/lrc/bad.lrc")),
            "[00:01.00]\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\r\n[00:02.00]ok");
  EXPECT_EQ(radio.DownloadLyrics(fake.Url("/lrc/none.lrc")), "");  // 404 page is no lyrics
  EXPECT_EQ(radio.DownloadLyrics(""), "");
}

TEST(WebRadioServiceTest, UnreachableServiceGivesEmptyResultsQuickly) {
  const std::string base = "http://127.0.0.1:" + std::to_string(FreeLoopbackPort());
  WebRadioService radio(base);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_THAT(radio.FetchRadioList("public_tuijian_rege"), IsEmpty());
  const RadioSong song = radio.LookUpRadioSong("877578");
  EXPECT_EQ(song.title + song.artist + song.song_url + song.lyrics_url, "");
  EXPECT_EQ(radio.LookUpRadioPicture("877578"), "");
  EXPECT_EQ(radio.DownloadLyrics(base + "/lrc/877578.lrc"), "");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}

TEST(WebRadioServiceTest, SilentServiceIsAbandonedAfterTheTimeout) {
  // Accepts the connection but never answers: the request gives up instead of hanging.
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  LocalHttpServer silent;
  silent.server().Get("/dev/api/",
                      [released](const httplib::Request&, httplib::Response& response) {
                        released.wait_for(std::chrono::seconds(5));
                        response.set_content("{\"id\":1,\"type\":0}", "text/plain");
                      });
  silent.Start();
  WebRadioService radio(silent.Base(), std::chrono::milliseconds(500));
  const auto started = std::chrono::steady_clock::now();
  EXPECT_THAT(radio.FetchRadioList("public_tuijian_rege"), IsEmpty());
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(2500));
  release.set_value();
}

TEST(WebRadioServiceTest, AStopRequestEndsTheCallsThatWaitOnASilentService) {
  // The server's workers are stopped at exit: a lookup held by a silent service must not
  // hold the exit for the whole time-out, and a call waiting for the shared request object
  // gives up as well.
  quilla::testing::Gate answer;
  LocalHttpServer silent;
  silent.server().Get("/data/music/songlink", [&](const httplib::Request&, httplib::Response& r) {
    answer.Wait();
    r.set_content("{}", "text/plain");
  });
  silent.Start();
  WebRadioService radio(silent.Base(), std::chrono::seconds(30));
  std::stop_source stop;
  auto song =
      std::async(std::launch::async, [&] { return radio.LookUpRadioSong("1", stop.get_token()); });
  ASSERT_TRUE(answer.WaitForArrivals(1));
  auto list =
      std::async(std::launch::async, [&] { return radio.FetchRadioList("c", stop.get_token()); });
  const auto asked = std::chrono::steady_clock::now();
  stop.request_stop();
  EXPECT_EQ(song.get().title, "");
  EXPECT_THAT(list.get(), IsEmpty());
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(3));
  answer.Open();
}

TEST(WebRadioServiceTest, CallsFromTwoThreadsShareTheRequestObjectSafely) {
  FakeRadioService fake;
  fake.playlists["a"] = PlaylistAnswer({"1", "2"});
  fake.songinfos["1"] = "{\"songPicRadio\":\"http:\\/\\/p.example\\/1.jpg@s_0\"}";
  WebRadioService radio(fake.Base());
  int list_failures = 0, picture_failures = 0;
  std::thread lists([&] {
    for (int i = 0; i < 20; ++i) {
      if (radio.FetchRadioList("a") != std::vector<std::string>{"1", "2"}) ++list_failures;
    }
  });
  for (int i = 0; i < 20; ++i) {
    if (radio.LookUpRadioPicture("1") != "http://p.example/1.jpg") ++picture_failures;
  }
  lists.join();
  EXPECT_EQ(list_failures, 0);
  EXPECT_EQ(picture_failures, 0);
}

}  // namespace
}  // namespace quilla::server
