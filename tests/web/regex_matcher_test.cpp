#include "web/regex_matcher.h"

#include <gtest/gtest.h>

#include <chrono>

namespace quilla::web {
namespace {

// The music search's pattern over a page of its answers.
TEST(RegexMatcher, SearchPatternCollectsEverySong) {
  const std::string answer =
      R"({"data":[{"type":"qq","title":"晴天","author":"周杰伦","lrc":"[00:01]歌词",)"
      R"("url":"http://a/1.mp3","pic":"http://a/1.jpg"},)"
      R"({"type":"qq","TITLE":"稻香","AUTHOR":"周杰伦","LRC":"No lyrics","URL":"u2","PIC":"p2"},)"
      R"({"title":"x","author":"y","lrc":"z","url":"u3","pic":null}]})";
  RegexMatcher matcher;
  ASSERT_TRUE(matcher.Match(
      "title#引号:#引号(.*?)#引号,#引号author#引号:#引号(.*?)#引号,#引号lrc#引号:#引号(.*?)"
      "#引号,#引号url#引号:#引号(.*?)#引号,#引号pic#引号:#引号(.*?)#引号}",
      answer, false, true, true, /*quote_escape=*/true));
  ASSERT_EQ(matcher.MatchCount(), 2);  // the entry whose "pic" is null does not match
  EXPECT_EQ(matcher.SubMatchText(1, 1), "晴天");
  EXPECT_EQ(matcher.SubMatchText(1, 2), "周杰伦");
  EXPECT_EQ(matcher.SubMatchText(1, 3), "[00:01]歌词");
  EXPECT_EQ(matcher.SubMatchText(1, 4), "http://a/1.mp3");
  EXPECT_EQ(matcher.SubMatchText(1, 5), "http://a/1.jpg");
  EXPECT_EQ(matcher.SubMatchText(2, 1), "稻香");  // ignore case is the default
  EXPECT_EQ(matcher.SubMatchText(2, 5), "p2");
}

TEST(RegexMatcher, FlagsAndRanges) {
  RegexMatcher matcher;
  ASSERT_TRUE(matcher.Match("(a)(x)?", "A a", /*case_sensitive=*/true));
  EXPECT_EQ(matcher.MatchCount(), 1);
  EXPECT_EQ(matcher.SubMatchText(1, 1), "a");
  EXPECT_EQ(matcher.SubMatchText(1, 2), "");  // did not take part
  for (auto [i, j] : {std::pair{0, 1}, {2, 1}, {1, 0}, {1, 3}, {-1, -1}}) {
    EXPECT_EQ(matcher.SubMatchText(i, j), "");
  }

  ASSERT_TRUE(matcher.Match("^(\\w+)$", "one\ntwo"));
  EXPECT_EQ(matcher.MatchCount(), 2);  // multi-line by default
  ASSERT_TRUE(matcher.Match("^(\\w+)$", "one\ntwo", false, /*multi_line=*/false));
  EXPECT_EQ(matcher.MatchCount(), 0);
  ASSERT_TRUE(matcher.Match("(\\d)", "1 2 3", false, true, /*global=*/false));
  EXPECT_EQ(matcher.MatchCount(), 1);
  ASSERT_TRUE(matcher.Match("(ä)", "Ä ä", false));  // case folding beyond ASCII
  EXPECT_EQ(matcher.MatchCount(), 2);
}

TEST(RegexMatcher, EmptyMatchesAdvanceAndBadInputFails) {
  RegexMatcher matcher;
  ASSERT_TRUE(matcher.Match("(a*)", "baa中"));
  // "" at 0, "aa" at 1, "" at 3 (after aa), "" at the end of 中: like every global engine.
  ASSERT_EQ(matcher.MatchCount(), 4);
  EXPECT_EQ(matcher.SubMatchText(2, 1), "aa");

  EXPECT_FALSE(matcher.Match("(unclosed", "text"));
  EXPECT_EQ(matcher.MatchCount(), 0);  // earlier matches are forgotten

  // Bytes that are not UTF-8 do not stop the match around them.
  ASSERT_TRUE(matcher.Match("(b+)", std::string("a\xff\xfe"
                                                "bb\xc3",
                                                6)));
  ASSERT_EQ(matcher.MatchCount(), 1);
  EXPECT_EQ(matcher.SubMatchText(1, 1), "bb");
  EXPECT_EQ(RegexMatcher().MatchCount(), 0);
}

// A global search costs time in proportion to the text, also when a byte that is not
// UTF-8 comes at the end: checking the rest of the text again at every match would take
// hours here (100 000 matches over a megabyte) where one pass takes milliseconds.
TEST(RegexMatcher, AGlobalSearchOverAMegabyteTakesOnePass) {
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "song ä ";
  text += "\xff";
  RegexMatcher matcher;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(matcher.Match("(song)", text));
  EXPECT_EQ(matcher.MatchCount(), 100000);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

}  // namespace
}  // namespace quilla::web
