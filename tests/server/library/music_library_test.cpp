// The library as the server uses it: started in the background, kept up to date by the
// folder watcher and by rescans, restarted over its index file, moved to another folder.

#include "server/library/music_library.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <thread>

#include "library_folder.h"
#include "support/wait_until.h"

namespace quilla::server::library {
namespace {

using testing::TestTags;
using testing::WaitUntil;

LibraryConfig ConfigFor(const LibraryFolder& folder, bool watch) {
  LibraryConfig config;
  config.folder = folder.root().string();
  config.index_file = folder.IndexFile();
  config.bind_address = "127.0.0.1";
  config.port = 0;
  config.public_host = "127.0.0.1";
  config.watch_folder = watch;
  config.settle_time = std::chrono::milliseconds(100);
  return config;
}

std::map<std::string, SongId> IdsByTitle(const MusicLibrary& library) {
  std::map<std::string, SongId> ids;
  for (const auto& song : library.Snapshot()->songs()) ids[song.title] = song.id;
  return ids;
}

TEST(MusicLibraryTest, ServesAtOnceAndTheCountGrowsAsTheScanRuns) {
  LibraryFolder folder;
  for (int i = 0; i < 30; ++i) folder.AddSong("album/song " + std::to_string(i) + ".wav");
  std::atomic<int> finished{0};
  LibraryConfig config = ConfigFor(folder, false);
  config.on_scan_finished = [&](const ScanReport&) { ++finished; };
  MusicLibrary library(config);
  std::string error;
  ASSERT_TRUE(library.Start(&error)) << error;
  // Searches are answered while the scan runs, and never see a half-built index.
  std::atomic<bool> searching{true};
  std::thread searcher([&] {
    while (searching) {
      const SearchPage page = library.Search("song", 1);
      EXPECT_LE(page.songs.size(), 10u);
      EXPECT_LE(page.total, 30u);
    }
  });
  EXPECT_TRUE(WaitUntil([&] { return finished.load() == 1; }));
  searching = false;
  searcher.join();
  EXPECT_EQ(library.SongCount(), 30u);
  ASSERT_TRUE(library.LastScan());
  EXPECT_EQ(library.LastScan()->read, 30u);
  EXPECT_EQ(library.Search("song 7", 1).songs.size(), 1u);
  EXPECT_EQ(library.Folder(), folder.root().string());
}

TEST(MusicLibraryTest, NoticesChangesInTheFolderWithoutBeingAsked) {
  LibraryFolder folder;
  folder.AddSong("first.wav", TestTags().Title("first"));
  MusicLibrary library(ConfigFor(folder, true));
  std::string error;
  ASSERT_TRUE(library.Start(&error)) << error;
  ASSERT_TRUE(WaitUntil([&] { return library.SongCount() == 1; }));

  folder.AddSong("second.mp3", TestTags().Title("second"));
  EXPECT_TRUE(WaitUntil([&] { return library.SongCount() == 2; }));
  // A folder made after the start is watched too.
  folder.AddSong("new folder/deeper/third.flac", TestTags().Title("third"));
  EXPECT_TRUE(WaitUntil([&] { return library.SongCount() == 3; }));
  folder.AddSong("new folder/deeper/fourth.flac", TestTags().Title("fourth"));
  EXPECT_TRUE(WaitUntil([&] { return library.SongCount() == 4; }));
  std::filesystem::remove(folder.Path("first.wav"));
  EXPECT_TRUE(WaitUntil([&] { return library.SongCount() == 3; }));
  EXPECT_TRUE(library.Search("first", 1).songs.empty());
}

TEST(MusicLibraryTest, RescanOnRequest) {
  LibraryFolder folder;
  folder.AddSong("a.wav", TestTags().Title("a"));
  MusicLibrary library(ConfigFor(folder, false));
  std::string error;
  ASSERT_TRUE(library.Start(&error)) << error;
  ASSERT_TRUE(WaitUntil([&] { return library.LastScan().has_value(); }));
  folder.AddSong("b.wav", TestTags().Title("b"));
  library.Rescan();
  EXPECT_TRUE(WaitUntil([&] { return library.SongCount() == 2; }));
  ASSERT_TRUE(WaitUntil([&] { return library.LastScan() && library.LastScan()->songs == 2; }));
  EXPECT_EQ(library.LastScan()->read, 1u);
  EXPECT_EQ(library.LastScan()->unchanged, 1u);
}

TEST(MusicLibraryTest, ARestartKeepsEveryIdAndReadsNoFileAgain) {
  LibraryFolder folder;
  for (const char* title : {"a", "b", "c"})
    folder.AddSong(std::string(title) + ".mp3", TestTags().Title(title));
  std::map<std::string, SongId> before;
  {
    MusicLibrary library(ConfigFor(folder, false));
    std::string error;
    ASSERT_TRUE(library.Start(&error)) << error;
    ASSERT_TRUE(WaitUntil([&] { return library.LastScan().has_value(); }));
    before = IdsByTitle(library);
  }
  MusicLibrary library(ConfigFor(folder, false));
  std::string error;
  ASSERT_TRUE(library.Start(&error)) << error;
  ASSERT_TRUE(WaitUntil([&] { return library.LastScan().has_value(); }));
  EXPECT_EQ(library.LastScan()->read, 0u);
  EXPECT_EQ(IdsByTitle(library), before);
  const SongId b = before.at("b");
  ASSERT_TRUE(library.FindSong(b));
  EXPECT_EQ(library.FindSong(b)->path, folder.Path("b.mp3"));
  EXPECT_FALSE(library.FindSong(b + 1000));
  const std::string base = "http://127.0.0.1:" + std::to_string(library.Port());
  EXPECT_EQ(library.BaseUrl(), base);
  EXPECT_EQ(library.MediaUrlOf(b), base + "/media/" + std::to_string(b));
  EXPECT_EQ(library.CoverUrlOf(b), base + "/cover/" + std::to_string(b));
}

TEST(MusicLibraryTest, AnotherFolderReplacesTheSongs) {
  LibraryFolder first, second;
  first.AddSong("old.wav", TestTags().Title("old"));
  second.AddSong("new.wav", TestTags().Title("new"));
  MusicLibrary library(ConfigFor(first, true));
  std::string error;
  ASSERT_TRUE(library.Start(&error)) << error;
  ASSERT_TRUE(WaitUntil([&] { return library.SongCount() == 1; }));
  library.SetFolder(second.root().string());
  EXPECT_TRUE(WaitUntil([&] {
    const auto ids = IdsByTitle(library);
    return ids.size() == 1 && ids.count("new") == 1;
  }));
  EXPECT_EQ(library.Folder(), second.root().string());
  // The old folder is no longer watched.
  first.AddSong("later.wav", TestTags().Title("later"));
  second.AddSong("also new.wav", TestTags().Title("also new"));
  EXPECT_TRUE(WaitUntil([&] { return library.SongCount() == 2; }));
  EXPECT_EQ(IdsByTitle(library).count("later"), 0u);
}

TEST(MusicLibraryTest, StoppingDuringTheFirstScanLosesNothing) {
  LibraryFolder folder;
  for (int i = 0; i < 60; ++i) folder.AddSong("s" + std::to_string(i) + ".mp3");
  {
    MusicLibrary library(ConfigFor(folder, true));
    std::string error;
    ASSERT_TRUE(library.Start(&error)) << error;
    ASSERT_TRUE(WaitUntil([&] { return library.Scanning() || library.LastScan(); }));
    library.Stop();  // wherever the scan is: it stops there and the threads are joined
    EXPECT_FALSE(library.Scanning());
  }
  // The next start finishes the job from what the first one wrote.
  MusicLibrary library(ConfigFor(folder, false));
  std::string error;
  ASSERT_TRUE(library.Start(&error)) << error;
  ASSERT_TRUE(WaitUntil([&] { return library.LastScan().has_value(); }));
  EXPECT_EQ(library.SongCount(), 60u);
  EXPECT_EQ(library.LastScan()->read + library.LastScan()->unchanged, 60u);
}

TEST(MusicLibraryTest, APortInUseIsReported) {
  LibraryFolder folder;
  MusicLibrary first(ConfigFor(folder, false));
  std::string error;
  ASSERT_TRUE(first.Start(&error)) << error;
  LibraryConfig config = ConfigFor(folder, false);
  config.port = first.Port();
  MusicLibrary second(config);
  EXPECT_FALSE(second.Start(&error));
  EXPECT_NE(error.find(std::to_string(first.Port())), std::string::npos) << error;
}

}  // namespace
}  // namespace quilla::server::library
