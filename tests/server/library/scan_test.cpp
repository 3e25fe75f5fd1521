// Indexing a music folder: tags of every format, names, covers, lyrics, and what rescans
// and restarts read again.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>

#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

#include "library_folder.h"
#include "server/library/cover_source.h"
#include "server/library/default_cover.h"
#include "server/library/folder_scanner.h"
#include "server/library/index_store.h"
#include "server/library/lyrics_source.h"

namespace quilla::server::library {
namespace {

using testing::TestTags;

// One scanner over the folder and its index file, as the library's scanner thread has.
struct Indexer {
  explicit Indexer(const LibraryFolder& folder)
      : folder(folder), store(IndexStore::Open(folder.IndexFile(), &note)), scanner(*store) {}

  ScanReport Scan() {
    const std::atomic<bool> cancel{false};
    return scanner.Scan(folder.root().string(), cancel, [](bool) {});
  }
  // Songs by file name.
  std::map<std::string, LibrarySong> Songs() const {
    std::map<std::string, LibrarySong> out;
    for (auto& song : scanner.Songs()) out[std::filesystem::path(song.path).filename()] = song;
    return out;
  }

  const LibraryFolder& folder;
  std::string note;
  std::unique_ptr<IndexStore> store;
  FolderScanner scanner;
};

TEST(ScanTest, EveryFormatIsIndexedWithItsTagsCoverAndLyrics) {
  LibraryFolder folder;
  const char* extensions[] = {"mp3", "flac", "ogg", "opus", "m4a", "wav"};
  for (const std::string ext : extensions) {
    folder.AddSong("song." + ext, TestTags()
                                      .Title("标题 " + ext)
                                      .Artist("歌手")
                                      .Album("专辑")
                                      .Genre("Pop")
                                      .Lyrics("[00:01.00]第一行 " + ext)
                                      .Cover(testing::FakeJpeg(ext)));
  }
  Indexer indexer(folder);
  const ScanReport report = indexer.Scan();
  EXPECT_EQ(report.read, 6u);
  const auto songs = indexer.Songs();
  ASSERT_EQ(songs.size(), 6u);
  for (const std::string ext : extensions) {
    SCOPED_TRACE(ext);
    const LibrarySong& song = songs.at("song." + ext);
    EXPECT_EQ(song.title, "标题 " + ext);
    EXPECT_EQ(song.artist, "歌手");
    EXPECT_EQ(song.album, "专辑");
    EXPECT_EQ(song.genre, "Pop");
    EXPECT_GT(song.duration_ms, 350);
    EXPECT_LT(song.duration_ms, 800);
    EXPECT_TRUE(song.embedded_cover);
    EXPECT_TRUE(song.embedded_lyrics);
    const CoverPicture cover = FindCover(song);
    EXPECT_EQ(cover.bytes, testing::FakeJpeg(ext));
    EXPECT_EQ(cover.content_type, "image/jpeg");
    EXPECT_EQ(FindLyrics(song).value_or(""), "[00:01.00]第一行 " + ext);
  }
}

TEST(ScanTest, NamesFillInMissingTags) {
  LibraryFolder folder;
  folder.AddSong("周杰伦 - 晴天.wav");
  folder.AddSong("albums/01. 稻香.mp3");
  folder.AddSong("only title tag.flac", TestTags().Title("夜曲"));
  folder.AddSong("林俊杰 - 江南.ogg", TestTags().Title("江南"));
  folder.AddSong(std::string("\xC7\xE7\xBF\xD5", 4) + ".wav");  // 晴空 spelled in GBK
  Indexer indexer(folder);
  indexer.Scan();
  const auto songs = indexer.Songs();
  ASSERT_EQ(songs.size(), 5u);
  EXPECT_EQ(songs.at("周杰伦 - 晴天.wav").artist, "周杰伦");
  EXPECT_EQ(songs.at("周杰伦 - 晴天.wav").title, "晴天");
  EXPECT_EQ(songs.at("01. 稻香.mp3").title, "稻香");
  EXPECT_EQ(songs.at("01. 稻香.mp3").artist, "");
  EXPECT_EQ(songs.at("only title tag.flac").title, "夜曲");
  EXPECT_EQ(songs.at("林俊杰 - 江南.ogg").artist, "林俊杰");
  const LibrarySong& gbk_named = songs.at(std::string("\xC7\xE7\xBF\xD5", 4) + ".wav");
  EXPECT_EQ(gbk_named.title, "晴空");
  EXPECT_EQ(gbk_named.file_stem, "晴空");
  EXPECT_FALSE(gbk_named.embedded_cover);
  EXPECT_FALSE(gbk_named.embedded_lyrics);
}

TEST(ScanTest, GbkBytesInLegacyId3FieldsAreReadAsChinese) {
  LibraryFolder folder;
  const std::string path = folder.AddSong("legacy.mp3");
  {
    // What old Chinese taggers wrote: GBK bytes in frames that claim to be Latin-1.
    TagLib::MPEG::File file(path.c_str());
    const TagLib::String title(std::string("\xC7\xE7\xCC\xEC"), TagLib::String::Latin1);  // 晴天
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame("TIT2", TagLib::String::Latin1);
    frame->setText(title);
    file.ID3v2Tag(true)->addFrame(frame);
    file.ID3v1Tag(true)->setArtist(TagLib::String(std::string("\xD6\xDC\xBD\xDC\xC2\xD7"),
                                                  TagLib::String::Latin1));  // 周杰伦
    ASSERT_TRUE(file.save(TagLib::MPEG::File::AllTags, TagLib::File::StripNone, TagLib::ID3v2::v3));
  }
  Indexer indexer(folder);
  indexer.Scan();
  const LibrarySong song = indexer.Songs().at("legacy.mp3");
  EXPECT_EQ(song.title, "晴天");
  EXPECT_EQ(song.artist, "周杰伦");
}

TEST(ScanTest, CoversComeFromTheFileThenBesideItThenTheDefault) {
  LibraryFolder folder;
  folder.AddSong("embedded/a.mp3", TestTags().Title("a").Cover(testing::FakeJpeg("inside")));
  folder.AddFile("embedded/cover.jpg", testing::FakeJpeg("beside"));
  folder.AddSong("beside/b.mp3", TestTags().Title("b"));
  folder.AddFile("beside/Folder.jpg", testing::FakeJpeg("folder"));
  folder.AddSong("own/c.flac", TestTags().Title("c"));
  folder.AddFile("own/c.png", std::string("\x89PNG\r\n\x1A\n", 8) + "own picture");
  folder.AddFile("own/cover.jpg", testing::FakeJpeg("less specific"));
  folder.AddSong("none/d.wav", TestTags().Title("d"));
  folder.AddFile("none/cover.jpg", "not a picture at all");
  Indexer indexer(folder);
  indexer.Scan();
  const auto songs = indexer.Songs();
  EXPECT_EQ(FindCover(songs.at("a.mp3")).bytes, testing::FakeJpeg("inside"));
  EXPECT_EQ(FindCover(songs.at("b.mp3")).bytes, testing::FakeJpeg("folder"));
  const CoverPicture own = FindCover(songs.at("c.flac"));
  EXPECT_EQ(own.content_type, "image/png");
  EXPECT_NE(own.bytes.find("own picture"), std::string::npos);
  const CoverPicture fallback = FindCover(songs.at("d.wav"));
  EXPECT_EQ(fallback.bytes, std::string(DefaultCoverPng()));
  EXPECT_EQ(fallback.content_type, "image/png");
  EXPECT_EQ(PictureContentType(DefaultCoverPng()), "image/png");
}

TEST(ScanTest, LyricsFromLrcFilesInTheirEncodingOrEmbedded) {
  LibraryFolder folder;
  folder.AddSong("utf8.mp3", TestTags().Title("u"));
  folder.AddFile("utf8.lrc", "[00:01.00]晴天\n[00:02.00]第二行\n");
  folder.AddSong("gbk.mp3", TestTags().Title("g"));
  folder.AddFile("gbk.lrc", "[00:01.00]\xC7\xE7\xCC\xEC\r\n");  // 晴天 in GBK
  folder.AddSong("utf16.mp3", TestTags().Title("w"));
  folder.AddFile("utf16.LRC", std::string("\xFF\xFE[\0"
                                          "0\0]\0"
                                          "\x74\x66\x29\x59",
                                          12));  // [0]晴天
  folder.AddSong("embedded.m4a", TestTags().Title("e").Lyrics("[00:03.00]embedded words"));
  folder.AddSong("both.mp3", TestTags().Title("b").Lyrics("[00:03.00]embedded words"));
  folder.AddFile("both.lrc", "[00:01.00]file wins");
  folder.AddSong("none.mp3", TestTags().Title("n"));
  folder.AddFile("none.txt", "not lyrics");
  folder.AddSong("blank.mp3", TestTags().Title("blank"));
  folder.AddFile("blank.lrc", " \r\n ");
  Indexer indexer(folder);
  indexer.Scan();
  const auto songs = indexer.Songs();
  EXPECT_EQ(FindLyrics(songs.at("utf8.mp3")), "[00:01.00]晴天\r\n[00:02.00]第二行\r\n");
  EXPECT_EQ(FindLyrics(songs.at("gbk.mp3")), "[00:01.00]晴天\r\n");
  EXPECT_EQ(FindLyrics(songs.at("utf16.mp3")), "[0]晴天");
  EXPECT_EQ(FindLyrics(songs.at("embedded.m4a")), "[00:03.00]embedded words");
  EXPECT_EQ(FindLyrics(songs.at("both.mp3")), "[00:01.00]file wins");
  EXPECT_EQ(FindLyrics(songs.at("none.mp3")), std::nullopt);
  EXPECT_EQ(FindLyrics(songs.at("blank.mp3")), std::nullopt);
}

TEST(ScanTest, RescansAndRestartsReadOnlyWhatChangedAndKeepIds) {
  LibraryFolder folder;
  folder.AddSong("a.mp3", TestTags().Title("a"));
  const std::string b = folder.AddSong("b.mp3", TestTags().Title("b"));
  const std::string c = folder.AddSong("c.mp3", TestTags().Title("c"));
  std::map<std::string, SongId> ids;
  {
    Indexer indexer(folder);
    EXPECT_EQ(indexer.Scan().read, 3u);
    for (const auto& [name, song] : indexer.Songs()) ids[name] = song.id;

    ASSERT_TRUE(testing::WriteTags(b, TestTags().Title("b changed")));
    std::filesystem::remove(c);
    folder.AddSong("sub/d.mp3", TestTags().Title("d"));
    const ScanReport rescan = indexer.Scan();
    EXPECT_EQ(rescan.read, 2u);  // b and d
    EXPECT_EQ(rescan.unchanged, 1u);
    EXPECT_EQ(rescan.removed, 1u);
    const auto songs = indexer.Songs();
    ASSERT_EQ(songs.size(), 3u);
    EXPECT_EQ(songs.at("a.mp3").id, ids["a.mp3"]);
    EXPECT_EQ(songs.at("b.mp3").id, ids["b.mp3"]);
    EXPECT_EQ(songs.at("b.mp3").title, "b changed");
    // A new file never gets the id of a removed one.
    EXPECT_GT(songs.at("d.mp3").id, ids["c.mp3"]);
    ids["d.mp3"] = songs.at("d.mp3").id;
  }
  {
    // A restart over the same folder and index reads nothing again.
    Indexer indexer(folder);
    EXPECT_EQ(indexer.Songs().size(), 3u);  // known before any scan
    const ScanReport restart = indexer.Scan();
    EXPECT_EQ(restart.read, 0u);
    EXPECT_EQ(restart.unchanged, 3u);
    for (const auto& [name, song] : indexer.Songs()) EXPECT_EQ(song.id, ids[name]) << name;
    EXPECT_EQ(indexer.Songs().at("b.mp3").title, "b changed");
  }
  {
    // Touching one file while the server is down: the next start reads that one only.
    const auto a = folder.Path("a.mp3");
    std::filesystem::last_write_time(a,
                                     std::filesystem::last_write_time(a) + std::chrono::seconds(5));
    Indexer indexer(folder);
    const ScanReport restart = indexer.Scan();
    EXPECT_EQ(restart.read, 1u);
    EXPECT_EQ(indexer.Songs().at("a.mp3").id, ids["a.mp3"]);
  }
}

TEST(ScanTest, SkipsHiddenFoldersOtherFilesAndEmptyFiles) {
  LibraryFolder folder;
  folder.AddSong("kept.wav");
  folder.AddSong(".Trash/deleted.wav");
  folder.AddSong(".hidden.mp3");
  folder.AddFile("notes.txt", "text");
  folder.AddFile("empty.mp3", "");
  folder.AddFile("garbage.mp3", "this is no audio, but it may be to the player");
  Indexer indexer(folder);
  indexer.Scan();
  const auto songs = indexer.Songs();
  EXPECT_EQ(songs.size(), 2u);
  EXPECT_TRUE(songs.count("kept.wav"));
  ASSERT_TRUE(songs.count("garbage.mp3"));
  EXPECT_EQ(songs.at("garbage.mp3").title, "garbage");
}

TEST(ScanTest, ACancelledScanRemovesNothing) {
  LibraryFolder folder;
  folder.AddSong("a.wav", TestTags().Title("a"));
  folder.AddSong("b.wav", TestTags().Title("b"));
  Indexer indexer(folder);
  indexer.Scan();
  // Cancelled before it has seen the files: they must not count as gone.
  const std::atomic<bool> cancel{true};
  const ScanReport report = indexer.scanner.Scan(folder.root().string(), cancel, [](bool) {});
  EXPECT_TRUE(report.cancelled);
  EXPECT_EQ(report.removed, 0u);
  EXPECT_EQ(indexer.Songs().size(), 2u);
}

TEST(ScanTest, AMissingFolderLeavesTheIndexAlone) {
  LibraryFolder folder;
  folder.AddSong("a.wav", TestTags().Title("a"));
  Indexer indexer(folder);
  indexer.Scan();
  const std::atomic<bool> cancel{false};
  const ScanReport report = indexer.scanner.Scan(folder.Path("not there"), cancel, [](bool) {});
  EXPECT_TRUE(report.folder_missing);
  EXPECT_EQ(indexer.Songs().size(), 1u);
}

TEST(ScanTest, ADamagedIndexFileIsMovedAsideAndStartedAgain) {
  LibraryFolder folder;
  folder.AddSong("a.wav", TestTags().Title("a"));
  testing::WriteBytes(folder.IndexFile(), std::string(4096, 'x'));
  Indexer indexer(folder);
  EXPECT_NE(indexer.note.find("moved to"), std::string::npos) << indexer.note;
  EXPECT_TRUE(std::filesystem::exists(folder.IndexFile() + ".broken"));
  EXPECT_EQ(indexer.Scan().read, 1u);
  EXPECT_EQ(indexer.Songs().size(), 1u);
}

}  // namespace
}  // namespace quilla::server::library
