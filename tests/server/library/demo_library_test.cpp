// The demo library the build makes, as the library indexes it, and the choice of the folder
// the server serves when nobody has chosen one.

#include "server/library/demo_library.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "server/audio/mpv_audio_player.h"
#include "server/library/cover_source.h"
#include "server/library/default_cover.h"
#include "server/library/lyrics_source.h"
#include "server/library/music_folder_choice.h"
#include "server/library/music_library.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"

namespace quilla::server::library {
namespace {

using namespace std::chrono_literals;
using testing::TempDir;
using testing::WaitUntil;

bool HasHan(const std::string& text) {
  // Han characters of the basic block are E4..E9 lead bytes in UTF-8.
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0xE4 && byte <= 0xE9) return true;
  }
  return false;
}

TEST(DemoLibraryTest, EightSongsWithTagsCoversAndLyricsThatTheLibraryIndexes) {
  // The test program is not installed: the folder is the one the build made.
  ASSERT_EQ(DemoLibraryFolder(), BuiltDemoLibraryFolder());
  TempDir index;
  LibraryConfig config;
  config.folder = DemoLibraryFolder();
  config.index_file = (index / "library.db").string();
  config.bind_address = "127.0.0.1";
  config.port = 0;
  config.watch_folder = false;
  MusicLibrary library(config);
  std::string error;
  ASSERT_TRUE(library.Start(&error)) << error;
  ASSERT_TRUE(WaitUntil([&] { return library.LastScan().has_value(); }, 30s));
  const auto songs = library.Snapshot()->songs();
  ASSERT_EQ(songs.size(), 8u);

  MpvAudioPlayer player("null", 5s);
  ASSERT_TRUE(player.Init());
  int chinese_titles = 0, english_titles = 0;
  std::set<std::string> covers, artists;
  for (const LibrarySong& song : songs) {
    SCOPED_TRACE(song.path);
    EXPECT_FALSE(song.title.empty());
    EXPECT_FALSE(song.artist.empty());
    EXPECT_FALSE(song.album.empty());
    EXPECT_FALSE(song.genre.empty());
    EXPECT_GE(song.duration_ms, 20000);
    EXPECT_LE(song.duration_ms, 40000);
    (HasHan(song.title) ? chinese_titles : english_titles)++;
    artists.insert(song.artist);

    EXPECT_TRUE(song.embedded_cover);
    const CoverPicture cover = FindCover(song);
    EXPECT_EQ(cover.content_type, "image/png");
    EXPECT_NE(cover.bytes, std::string(DefaultCoverPng()));
    covers.insert(cover.bytes);

    const std::optional<std::string> lyrics = FindLyrics(song);
    ASSERT_TRUE(lyrics);
    EXPECT_NE(lyrics->find("[00:0"), std::string::npos) << *lyrics;
    EXPECT_NE(lyrics->find(song.title), std::string::npos) << *lyrics;

    // libmpv plays it, as long as the tag says.
    const StreamHandle stream = player.CreateStream(song.path, {}, {});
    ASSERT_NE(stream, 0u);
    EXPECT_NEAR(player.BytesToSeconds(stream, player.GetLength(stream)), song.duration_ms / 1000.0,
                1.0);
  }
  EXPECT_GE(chinese_titles, 3);
  EXPECT_GE(english_titles, 3);
  EXPECT_EQ(covers.size(), 8u) << "a cover of its own for every song";
  EXPECT_EQ(artists.size(), 8u);
  // Searchable like any music: pinyin initials of 月亮船.
  const SearchPage found = library.Search("ylc", 1);
  ASSERT_FALSE(found.songs.empty());
  EXPECT_EQ(found.songs.front().title, "月亮船");
}

class MusicFolderChoiceTest : public ::testing::Test {
 protected:
  void Put(const std::string& relative, const std::string& bytes = "x") {
    const auto path = root_ / relative;
    std::filesystem::create_directories(path.parent_path());
    testing::WriteBytes(path, bytes);
  }
  std::string Dir(const std::string& relative) { return (root_ / relative).string(); }

  TempDir root_;
};

TEST_F(MusicFolderChoiceTest, ConfiguredThenDesktopMusicWithSongsThenTheDemo) {
  Put("music/albums/one/song.FLAC");
  Put("notes/readme.txt");
  Put("notes/.hidden/song.mp3");  // hidden folders are not music
  Put("demo/a.mp3");
  std::filesystem::create_directories(root_ / "empty");

  struct Case {
    std::string configured, desktop, demo;
    MusicFolderSource source;
    std::string folder;
  };
  for (const Case& c : std::vector<Case>{
           {Dir("mine"), Dir("music"), Dir("demo"), MusicFolderSource::kConfigured, Dir("mine")},
           {"", Dir("music"), Dir("demo"), MusicFolderSource::kDesktopMusic, Dir("music")},
           {"", Dir("notes"), Dir("demo"), MusicFolderSource::kDemo, Dir("demo")},
           {"", Dir("empty"), Dir("demo"), MusicFolderSource::kDemo, Dir("demo")},
           {"", Dir("missing"), Dir("demo"), MusicFolderSource::kDemo, Dir("demo")},
           {"", "", Dir("demo"), MusicFolderSource::kDemo, Dir("demo")},
           // No demo either (not built, not installed): the desktop folder, empty for now.
           {"", Dir("empty"), Dir("no-demo"), MusicFolderSource::kDesktopMusic, Dir("empty")},
       }) {
    const MusicFolderChoice choice = ChooseMusicFolder(c.configured, c.desktop, c.demo);
    EXPECT_EQ(choice.source, c.source) << c.configured << " | " << c.desktop;
    EXPECT_EQ(choice.folder, c.folder) << c.configured << " | " << c.desktop;
  }
  // The operator's choice needs no look at the disk.
  EXPECT_EQ(ChooseMusicFolder("/srv/music").folder, "/srv/music");
}

TEST_F(MusicFolderChoiceTest, TheDemoSaysSoAndHowToChooseARealFolder) {
  const MusicFolderChoice demo{Dir("demo"), MusicFolderSource::kDemo};
  const std::string line = MusicFolderLogLine(demo);
  for (const char* part : {"演示曲库", "--library", "[Library]", "Folder"}) {
    EXPECT_NE(line.find(part), std::string::npos) << part;
  }
  EXPECT_NE(line.find(Dir("demo")), std::string::npos);
  EXPECT_NE(MusicFolderWindowNote(demo).find("演示曲库"), std::string::npos);

  const MusicFolderChoice mine{"/srv/music", MusicFolderSource::kConfigured};
  EXPECT_NE(MusicFolderLogLine(mine).find("/srv/music"), std::string::npos);
  EXPECT_EQ(MusicFolderLogLine(mine).find("演示"), std::string::npos);
  EXPECT_EQ(MusicFolderWindowNote(mine), "");
}

class DesktopMusicFolderTest : public MusicFolderChoiceTest {
 protected:
  void SetUp() override {
    Save("HOME", saved_home_);
    Save("XDG_CONFIG_HOME", saved_config_);
    ::setenv("HOME", Dir("home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", Dir("config").c_str(), 1);
  }
  void TearDown() override {
    Restore("HOME", saved_home_);
    Restore("XDG_CONFIG_HOME", saved_config_);
  }
  static void Save(const char* name, std::optional<std::string>& into) {
    if (const char* value = std::getenv(name)) into = value;
  }
  static void Restore(const char* name, const std::optional<std::string>& value) {
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }
  std::optional<std::string> saved_home_, saved_config_;
};

TEST_F(DesktopMusicFolderTest, TheDesktopsEntryWithHomeExpanded) {
  EXPECT_EQ(DesktopMusicFolder(), Dir("home") + "/Music") << "no user-dirs.dirs";

  struct Case {
    std::string line;
    std::string folder;
  };
  for (const Case& c : std::vector<Case>{
           {"XDG_MUSIC_DIR=\"$HOME/音乐\"", Dir("home") + "/音乐"},
           {"  XDG_MUSIC_DIR=\"/data/music/\"", "/data/music"},
           {"XDG_MUSIC_DIR=\"$HOME/\"", ""},  // the home itself: the desktop has none
           {"XDG_MUSIC_DIR=\"$HOME\"", ""},
           {"# XDG_MUSIC_DIR=\"/nope\"", Dir("home") + "/Music"},
       }) {
    Put("config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n" + c.line + "\n");
    EXPECT_EQ(DesktopMusicFolder(), c.folder) << c.line;
  }
  ::unsetenv("HOME");
  EXPECT_EQ(DesktopMusicFolder(), "");
}

}  // namespace
}  // namespace quilla::server::library
