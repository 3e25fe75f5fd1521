// Search over the in-memory index: what matches and in which order.

#include "server/library/search_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quilla::server::library {
namespace {

LibrarySong Song(SongId id, std::string title, std::string artist = "", std::string album = "",
                 std::string stem = "") {
  LibrarySong song;
  song.id = id;
  song.title = std::move(title);
  song.artist = std::move(artist);
  song.album = std::move(album);
  song.file_stem = stem.empty() ? "track" + std::to_string(id) : std::move(stem);
  return song;
}

std::vector<SongId> Ids(const SearchPage& page) {
  std::vector<SongId> ids;
  for (const auto& song : page.songs) ids.push_back(song.id);
  return ids;
}

TEST(SearchIndexTest, FindsByTitleArtistAlbumAndFileName) {
  const SearchIndex index({Song(1, "晴天", "周杰伦", "叶惠美", "01 sunny"),
                           Song(2, "七里香", "周杰伦", "七里香"), Song(3, "Yellow", "Coldplay")});
  EXPECT_EQ(Ids(index.Search("晴天", 1)), std::vector<SongId>{1});
  EXPECT_EQ(Ids(index.Search("叶惠美", 1)), std::vector<SongId>{1});
  EXPECT_EQ(Ids(index.Search("SUNNY", 1)), std::vector<SongId>{1});
  EXPECT_EQ(Ids(index.Search("coldPLAY", 1)), std::vector<SongId>{3});
  EXPECT_EQ(index.Search("周杰伦", 1).total, 2u);
  EXPECT_TRUE(index.Search("不存在", 1).songs.empty());
  EXPECT_TRUE(index.Search("", 1).songs.empty());
  EXPECT_TRUE(index.Search("   ", 1).songs.empty());
}

TEST(SearchIndexTest, OneChineseCharacterIsEnough) {
  const SearchIndex index({Song(1, "晴天"), Song(2, "天黑黑"), Song(3, "稻香")});
  EXPECT_EQ(Ids(index.Search("天", 1)), (std::vector<SongId>{2, 1}));  // earlier start first
  EXPECT_EQ(Ids(index.Search("香", 1)), std::vector<SongId>{3});
}

TEST(SearchIndexTest, TraditionalAndSimplifiedMatchEachOther) {
  const SearchIndex index(
      {Song(1, "晴天", "周杰倫"), Song(2, "后来", "刘若英"), Song(3, "愛情轉移", "陳奕迅")});
  EXPECT_EQ(Ids(index.Search("周杰伦", 1)), std::vector<SongId>{1});
  EXPECT_EQ(Ids(index.Search("周杰倫", 1)), std::vector<SongId>{1});
  EXPECT_EQ(Ids(index.Search("後來", 1)), std::vector<SongId>{2});
  EXPECT_EQ(Ids(index.Search("爱情转移", 1)), std::vector<SongId>{3});
  EXPECT_EQ(Ids(index.Search("陈奕迅", 1)), std::vector<SongId>{3});
}

TEST(SearchIndexTest, PinyinFindsSongs) {
  const SearchIndex index({Song(1, "晴空", "某人"), Song(2, "夜曲", "周杰倫")});
  EXPECT_EQ(Ids(index.Search("qk", 1)), std::vector<SongId>{1});
  EXPECT_EQ(Ids(index.Search("qingkong", 1)), std::vector<SongId>{1});
  EXPECT_EQ(Ids(index.Search("zjl", 1)), std::vector<SongId>{2});
  EXPECT_TRUE(index.Search("ing", 1).songs.empty());
}

TEST(SearchIndexTest, OrdersByFieldThenLiteralThenStart) {
  const SearchIndex index({
      Song(1, "别的歌", "", "爱你"),          // album, literal
      Song(2, "别的歌", "爱你"),              // artist, literal
      Song(3, "我很爱你"),                    // title, literal, starts at 2
      Song(4, "爱你"),                        // title, literal, starts at 0
      Song(5, "碍睨"),                        // title, pinyin only (ai ni)
      Song(6, "别的歌", "别人", "", "爱你"),  // file name, literal
      Song(7, "别的歌", "碍睨"),              // artist, pinyin only
  });
  // "ai ni" typed as pinyin matches 爱你 and 碍睨 alike; literal "爱你" only the former.
  EXPECT_EQ(Ids(index.Search("ain", 1)), (std::vector<SongId>{4, 5, 3, 2, 7, 1, 6}));
  EXPECT_EQ(Ids(index.Search("爱你", 1)), (std::vector<SongId>{4, 3, 2, 1, 6}));
}

TEST(SearchIndexTest, LiteralBeatsPinyinInTheSameFieldAndShorterFieldsComeFirst) {
  const SearchIndex index({Song(1, "ab冰"), Song(2, "abc"), Song(3, "ab"), Song(4, "xab")});
  // "ab" literally in 2, 3, 4 and in 1; pinyin-only: none here. Same start: shorter first.
  EXPECT_EQ(Ids(index.Search("ab", 1)), (std::vector<SongId>{3, 1, 2, 4}));
  // "abb": literal nowhere; as pinyin 1 (a, b, 冰 = bing).
  EXPECT_EQ(Ids(index.Search("abb", 1)), std::vector<SongId>{1});
}

TEST(SearchIndexTest, PagesOfTen) {
  std::vector<LibrarySong> songs;
  for (int i = 1; i <= 23; ++i) songs.push_back(Song(i, "歌" + std::to_string(100 + i)));
  const SearchIndex index(std::move(songs));
  const SearchPage first = index.Search("歌", 1), second = index.Search("歌", 2),
                   third = index.Search("歌", 3), fourth = index.Search("歌", 4);
  EXPECT_EQ(first.total, 23u);
  ASSERT_EQ(first.songs.size(), 10u);
  ASSERT_EQ(second.songs.size(), 10u);
  ASSERT_EQ(third.songs.size(), 3u);
  EXPECT_TRUE(fourth.songs.empty());
  // Equal matches keep id order across pages: 1..10, 11..20, 21..23.
  EXPECT_EQ(first.songs.front().id, 1);
  EXPECT_EQ(second.songs.front().id, 11);
  EXPECT_EQ(third.songs.back().id, 23);
  EXPECT_TRUE(index.Search("歌", 0).songs.empty());
  EXPECT_TRUE(index.Search("歌", 2147483647).songs.empty());
}

TEST(SearchIndexTest, FindsSongsById) {
  const SearchIndex index({Song(7, "a"), Song(3, "b")});
  ASSERT_NE(index.Find(3), nullptr);
  EXPECT_EQ(index.Find(3)->title, "b");
  EXPECT_EQ(index.Find(4), nullptr);
  EXPECT_EQ(index.size(), 2u);
}

}  // namespace
}  // namespace quilla::server::library
