// Pinyin matching against the generated Unicode Han table.

#include "server/library/pinyin.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "server/library/text_fold.h"

namespace quilla::server::library {
namespace {

// True when `query` matches some run of `text` as pinyin (any start).
bool Matches(const std::string& text, const std::string& query) {
  std::vector<PinyinCell> cells;
  std::vector<std::uint32_t> initials;
  AppendPinyinCells(FoldForSearch(text), cells, initials);
  const PinyinQuery prepared(FoldForSearch(query));
  if (!prepared.usable()) return false;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (prepared.MatchesAt(cells, i)) return true;
  }
  return false;
}

struct Case {
  const char* text;
  const char* query;
  bool matches;
};

TEST(PinyinTest, FollowsTheSyllableRule) {
  const Case cases[] = {
      // Whole syllables or non-empty starts, from a character boundary.
      {"晴空", "qk", true},
      {"晴空", "QK", true},
      {"晴空", "qingkong", true},
      {"晴空", "qingk", true},
      {"晴空", "qkong", true},
      {"晴空", "kong", true},
      {"晴空", "晴k", true},
      {"晴空", "ing", false},
      {"晴空", "ngk", false},
      {"晴空", "qikong", true},  // "qi" is a start of "qing"
      {"晴空", "qinkg", false},  // "kg" is no start of "kong"
      {"晴空", "qkx", false},    // runs past the end
      {"晴空", "qingkongg", false},
      {"晴空", "空k", false},  // 空 is the last character
      // Spaces on either side do not count.
      {"晴 空", "qk", true},
      {"晴空", "qing kong", true},
      // Tones are ignored; "v" stands for "ü".
      {"绿色", "lvse", true},
      {"绿色", "lv", true},
      {"女孩", "nvh", true},
      {"女孩", "nuh", false},
      // Traditional characters have their own readings, and match via the simplified form.
      {"周杰倫", "zjl", true},
      {"周杰倫", "zhoujielun", true},
      // Other letters and digits match themselves.
      {"Love晴空", "lqk", false},  // "l" is one character: "love" must be typed whole
      {"Love晴空", "loveqk", true},
      {"2002年的第一场雪", "2002ndd", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Matches(c.text, c.query), c.matches) << c.text << " / " << c.query;
  }
}

TEST(PinyinTest, PolyphonicCharactersMatchByEveryReading) {
  // 乐 is lè (happy) and yuè (music); 重 is zhòng and chóng; 长 is cháng and zhǎng.
  for (const char* query : {"yinyue", "yinle", "yy", "yl"})
    EXPECT_TRUE(Matches("音乐", query)) << query;
  for (const char* query : {"chongqing", "zhongqing", "cq", "zq"})
    EXPECT_TRUE(Matches("重庆", query)) << query;
  for (const char* query : {"changda", "zhangda"}) EXPECT_TRUE(Matches("长大", query)) << query;
  EXPECT_FALSE(Matches("音乐", "yinxue"));
}

TEST(PinyinTest, ReadingsComeFromTheUnicodeTable) {
  const PinyinReadings& table = PinyinReadings::Instance();
  const auto syllables = table.Syllables(table.SetOf(U'晴'));
  ASSERT_EQ(syllables.size(), 1u);
  EXPECT_EQ(syllables[0], "qing");
  EXPECT_EQ(table.SetOf(U'a'), 0);
  // A character of the CJK Extension B block has its reading too.
  EXPECT_NE(table.SetOf(U'\U00020000'), 0);
}

TEST(PinyinTest, OverlongQueriesAreNotMatchedAsPinyin) {
  EXPECT_FALSE(PinyinQuery(std::string(PinyinQuery::kMaxLength + 1, 'a')).usable());
  EXPECT_FALSE(PinyinQuery("").usable());
  EXPECT_FALSE(PinyinQuery("   ").usable());
}

TEST(PinyinTest, ManyWaysToCutAQueryStayFast) {
  // Every character reads "a"/"e"-like one-letter syllables and also longer ones; a query
  // that cannot match forces the matcher through many cuts. The memo keeps this linear.
  std::string text;
  for (int i = 0; i < 60; ++i) text += "啊";
  EXPECT_FALSE(Matches(text, std::string(62, 'a') + "x"));
}

}  // namespace
}  // namespace quilla::server::library
