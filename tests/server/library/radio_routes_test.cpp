// The library's radio answers as the server's own radio code reads them (WebRadioService):
// channel lists, a song's fields and addresses, the picture cut at "@s", the lyrics, and
// a fresh shuffle each time a list is asked for again.

#include "server/library/radio_routes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "library_folder.h"
#include "server/library/lyrics_source.h"
#include "server/library/music_library.h"
#include "server/radio/web_radio_service.h"
#include "support/raw_http.h"
#include "support/wait_until.h"
#include "web/http_get.h"

namespace quilla::server::library {
namespace {

using testing::TestTags;
using testing::WaitUntil;

// A title that would break a careless answer: quotes, a backslash, "%" before hex digits,
// Han characters and a character outside the BMP.
constexpr const char* kTrickyTitle = "晴天 \"100%41\" \\ 🎵";
constexpr const char* kTrickyArtist = "周杰伦 & Friends";
constexpr int kFillerSongs = 8;

class RadioRoutesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new LibraryFolder;
    folder_->AddSong("rock/loud.mp3", TestTags().Title("Loud").Artist("Rusty").Genre("Rock"));
    folder_->AddSong("rock/fast.ogg", TestTags().Title("Fast").Artist("Rusty").Genre("Punk Rock"));
    folder_->AddSong("rock/摇滚.flac", TestTags().Title("老歌").Artist("乐队").Genre("摇滚"));
    folder_->AddSong("pop/tricky.mp3",
                     TestTags().Title(kTrickyTitle).Artist(kTrickyArtist).Genre("Popular"));
    folder_->AddFile("pop/tricky.lrc", "[00:01.00]第一句\n[00:02.50]second line\n");
    // Files the tags cannot be read from still play; the library names them by file name.
    for (int i = 0; i < kFillerSongs; ++i) {
      folder_->AddFile("more/Artist " + std::to_string(i) + " - Song " + std::to_string(i) + ".mp3",
                       "not really audio " + std::to_string(i));
    }
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }

  void SetUp() override { library_ = StartLibrary("127.0.0.1", folder_->IndexFile()); }

  std::unique_ptr<MusicLibrary> StartLibrary(const std::string& public_host,
                                             const std::string& index_file) {
    LibraryConfig config;
    config.folder = folder_->root().string();
    config.index_file = index_file;
    config.bind_address = "127.0.0.1";
    config.port = 0;
    config.public_host = public_host;
    config.watch_folder = false;
    auto library = std::make_unique<MusicLibrary>(config);
    AddRadioRoutes(library->http(), library->RouteSources());
    std::string error;
    EXPECT_TRUE(library->Start(&error)) << error;
    EXPECT_TRUE(WaitUntil([&] { return library->LastScan().has_value(); }));
    EXPECT_EQ(library->SongCount(), 4u + kFillerSongs);
    return library;
  }

  std::string Base() const { return "http://127.0.0.1:" + std::to_string(library_->Port()); }

  std::map<std::string, SongId> IdsByTitle() const {
    std::map<std::string, SongId> ids;
    for (const auto& song : library_->Snapshot()->songs()) ids[song.title] = song.id;
    return ids;
  }

  static std::vector<std::string> AllIds(const MusicLibrary& library) {
    std::vector<std::string> ids;
    for (const auto& song : library.Snapshot()->songs()) ids.push_back(std::to_string(song.id));
    std::sort(ids.begin(), ids.end());
    return ids;
  }

  static std::vector<std::string> Sorted(std::vector<std::string> ids) {
    std::sort(ids.begin(), ids.end());
    return ids;
  }

  static LibraryFolder* folder_;
  std::unique_ptr<MusicLibrary> library_;
};

LibraryFolder* RadioRoutesTest::folder_ = nullptr;

TEST_F(RadioRoutesTest, PlayingToTheEndOfAListBringsAFreshShuffleOfTheWholeLibrary) {
  WebRadioService radio(Base());
  const std::vector<std::string> first = radio.FetchRadioList("public_tuijian_rege");
  ASSERT_EQ(Sorted(first), AllIds(*library_));
  for (const std::string& id : first) {
    ASSERT_FALSE(id.empty());
    EXPECT_TRUE(std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; }))
        << id;
  }
  // As the server plays a list: every entry looked up, then, after the last, a new list.
  for (const std::string& id : first) {
    const RadioSong song = radio.LookUpRadioSong(id);
    EXPECT_FALSE(song.title.empty()) << id;
    EXPECT_EQ(song.song_url, library_->MediaUrlOf(std::stoll(id)));
  }
  const std::vector<std::string> second = radio.FetchRadioList("public_tuijian_rege");
  EXPECT_EQ(Sorted(second), AllIds(*library_));
  // 12 songs: the same order twice by chance once in 479 million lists.
  EXPECT_NE(second, first) << "the list after the wrap is shuffled afresh";
}

TEST_F(RadioRoutesTest, GenreChannelPlaysItsGenreFirstThenEverythingElse) {
  WebRadioService radio(Base());
  const auto ids = IdsByTitle();
  const std::set<std::string> rock = {std::to_string(ids.at("Loud")),
                                      std::to_string(ids.at("Fast")),
                                      std::to_string(ids.at("老歌"))};
  const std::vector<std::string> list = radio.FetchRadioList("public_fengge_yaogun");  // 摇滚
  ASSERT_EQ(Sorted(list), AllIds(*library_));
  EXPECT_EQ(std::set<std::string>(list.begin(), list.begin() + 3), rock);

  // A channel the table does not know still plays the library.
  EXPECT_EQ(Sorted(radio.FetchRadioList("no_such_channel")), AllIds(*library_));
}

TEST_F(RadioRoutesTest, SongFieldsPictureAndLyricsAsTheServerReadsThem) {
  WebRadioService radio(Base());
  const SongId tricky = IdsByTitle().at(kTrickyTitle);
  const std::string id = std::to_string(tricky);

  const RadioSong song = radio.LookUpRadioSong(id);
  EXPECT_EQ(song.title, kTrickyTitle);
  EXPECT_EQ(song.artist, kTrickyArtist);
  EXPECT_EQ(song.song_url, Base() + "/media/" + id);
  EXPECT_EQ(song.lyrics_url, Base() + "/lyrics/" + id);
  // The picture address is cut at "@s", where the size suffix begins.
  const std::string picture = radio.LookUpRadioPicture(id);
  EXPECT_EQ(picture, Base() + "/cover/" + id);

  // Every address works: the song's bytes, a picture, the lyrics as the server keeps them.
  const auto media = web::HttpGetBytes(song.song_url, std::chrono::seconds(5));
  ASSERT_TRUE(media);
  EXPECT_EQ(*media, testing::ReadBytes(folder_->Path("pop/tricky.mp3")));
  const auto cover = web::HttpGetBytes(picture, std::chrono::seconds(5));
  ASSERT_TRUE(cover);
  EXPECT_TRUE(cover->starts_with("\x89PNG") || cover->starts_with("\xFF\xD8")) << "a picture";
  const std::string lyrics = radio.DownloadLyrics(song.lyrics_url);
  EXPECT_EQ(lyrics, "[00:01.00]第一句\r\n[00:02.50]second line\r\n");

  // A song without lyrics: its lyrics address answers 404, which the server takes as none.
  const SongId plain = IdsByTitle().at("Loud");
  const RadioSong loud = radio.LookUpRadioSong(std::to_string(plain));
  EXPECT_EQ(loud.artist, "Rusty");
  EXPECT_EQ(radio.DownloadLyrics(loud.lyrics_url), "");
}

TEST_F(RadioRoutesTest, AddressesCarryTheListenersHostNotTheAddressAskedOn) {
  // 192.0.2.7 is a documentation address: only written into answers, never contacted.
  testing::TempDir index;
  const auto lan = StartLibrary("192.0.2.7", (index / "lan.db").string());
  WebRadioService radio("http://127.0.0.1:" + std::to_string(lan->Port()));
  const std::string id = std::to_string(lan->Snapshot()->songs().front().id);
  const std::string base = "http://192.0.2.7:" + std::to_string(lan->Port());
  const RadioSong song = radio.LookUpRadioSong(id);
  EXPECT_EQ(song.song_url, base + "/media/" + id);
  EXPECT_EQ(song.lyrics_url, base + "/lyrics/" + id);
  EXPECT_EQ(radio.LookUpRadioPicture(id), base + "/cover/" + id);
}

TEST_F(RadioRoutesTest, UnknownAndMalformedSongIds) {
  WebRadioService radio(Base());
  const RadioSong none = radio.LookUpRadioSong("999999");
  EXPECT_EQ(none.title, "");
  EXPECT_EQ(none.song_url, "");
  EXPECT_EQ(radio.LookUpRadioPicture("999999"), "");

  struct Case {
    std::string target;
    int status;
  };
  const auto ids = IdsByTitle();
  const std::string two = std::to_string(ids.at("Loud")) + "," + std::to_string(ids.at("Fast"));
  for (const Case& c : std::vector<Case>{
           {"/data/music/songlink?songIds=999999", 404},
           {"/data/music/songlink?songIds=" + two, 200},
           {"/data/music/songinfo?songIds=" + two, 200},
           {"/data/music/songlink?songIds=abc", 400},
           {"/data/music/songlink?songIds=-1", 400},
           {"/data/music/songlink?songIds=1,,2", 400},
           {"/data/music/songlink?songIds=1234567890123456789", 400},
           {"/data/music/songinfo", 400},
           {"/dev/api/?tn=channellist", 400},
       }) {
    const auto answer = testing::RawHttpExchange(
        library_->Port(), "GET " + c.target + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(answer.status, c.status) << c.target;
    EXPECT_EQ(answer.Header("content-type"), "application/json; charset=utf-8") << c.target;
    if (c.status == 200) {
      // Both songs, in the order asked.
      const auto loud = answer.body.find("\"songName\":\"Loud\"");
      const auto fast = answer.body.find("\"songName\":\"Fast\"");
      EXPECT_NE(loud, std::string::npos) << c.target;
      EXPECT_NE(fast, std::string::npos) << c.target;
      EXPECT_LT(loud, fast) << c.target;
    }
  }
}

}  // namespace
}  // namespace quilla::server::library
