#include "web/text_helpers.h"

#include <gtest/gtest.h>

#include <map>

namespace quilla::web {
namespace {

TEST(TextBetween, Cases) {
  struct Case {
    std::string_view text, left, right;
    int start;
    bool ignore_case;
    std::string_view expected;
  };
  const Case cases[] = {
      {"a[x]b", "[", "]", 1, false, "x"},
      {R"({"songName":"晴天","artistId":1})", "\"songName\":\"", "\",\"artistId\"", 1, false,
       "晴天"},
      // "#引号" stands for a double quote in either marker.
      {R"({"songName":"晴天","artistId":1})", "#引号songName#引号:#引号", "#引号,#引号artistId", 1,
       false, "晴天"},
      {"x]y[z", "[", "]", 1, false, ""},    // right marker only before the left one
      {"abc", "[", "]", 1, false, ""},      // no left marker
      {"a[b", "[", "]", 1, false, ""},      // no right marker after it
      {"[1][2]", "[", "]", 2, false, "2"},  // start is a 1-based byte position
      {"[1][2]", "[", "]", 0, false, "1"},  // positions below 1 mean the beginning
      {"[1][2]", "[", "]", 99, false, ""},
      {"<B>bold</b>", "<b>", "</B>", 1, true, "bold"},
      {"<B>bold</b>", "<b>", "</B>", 1, false, ""},
      {"中<文>字", "<", ">", 1, false, "文"},
      {"a[]b", "[", "]", 1, false, ""},
      {"abc", "", "c", 1, false, ""},  // an empty left marker finds nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " " + std::string(c.left));
    EXPECT_EQ(TextBetween(c.text, c.left, c.right, c.start, c.ignore_case), c.expected);
  }
}

TEST(AllTextsBetween, StopsAtTheFirstMissingMarker) {
  std::vector<std::string> out{"stale"};
  // Three left markers, only two right markers after them.
  EXPECT_EQ(AllTextsBetween(R"("id":1,"type" "id":2,"type" "id":3)", "\"id\":", ",\"type\"", out),
            2);
  EXPECT_EQ(out, (std::vector<std::string>{"1", "2"}));
}

TEST(AllTextsBetween, Options) {
  const std::string text = "<a>1</a><A>22</A><a>333</a>";
  struct Case {
    AllTextsBetweenOptions options;
    std::vector<std::string> expected;
  };
  auto with = [](auto change) {
    AllTextsBetweenOptions o;
    change(o);
    return o;
  };
  const Case cases[] = {
      {{}, {"1", "333"}},
      {with([](auto& o) { o.ignore_case = true; }), {"1", "22", "333"}},
      {with([](auto& o) { o.max_length = 3; }), {"1"}},  // kept only when shorter
      {with([](auto& o) {
         o.prefix = "(";
         o.suffix = ")";
       }),
       {"(1)", "(333)"}},
      {with([](auto& o) {
         o.include_left = true;
         o.include_right = true;
         o.prefix = "-";
       }),
       {"<a>-1</a>", "<a>-333</a>"}},
      {with([](auto& o) { o.start = 2; }), {"333"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> out;
    EXPECT_EQ(AllTextsBetween(text, "<a>", "</a>", out, c.options),
              static_cast<int>(c.expected.size()));
    EXPECT_EQ(out, c.expected);
  }
}

TEST(AllTextsBetween, ItemsMayOverlapTheNextLeftMarker) {
  // The scan goes on from the end of the left marker, not of the right one.
  std::vector<std::string> out;
  EXPECT_EQ(AllTextsBetween("[a[b]", "[", "]", out), 2);
  EXPECT_EQ(out, (std::vector<std::string>{"a[b", "b"}));
  EXPECT_EQ(AllTextsBetween("xxx", "", "x", out), 0);
}

TEST(UrlEncode, Cases) {
  struct Case {
    std::string_view text;
    bool keep_safe, as_utf8;
    std::string_view expected;
  };
  const Case cases[] = {
      {"a-b_c", true, true, "a-b%5Fc"},
      {"a-b_c", false, true, "%61%2D%62%5F%63"},
      {"你好", true, true, "%E4%BD%A0%E5%A5%BD"},
      {"你好", true, false, "%C4%E3%BA%C3"},  // the GBK bytes
      {"a b.~", true, true, "a%20b.%7E"},
      {"", true, true, ""},
      {"Zz09", false, false, "%5A%7A%30%39"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(UrlEncode(c.text, c.keep_safe, c.as_utf8), c.expected);
  }
}

TEST(RandomNumber, StaysInRange) {
  std::map<int, int> seen;
  for (int i = 0; i < 2000; ++i) {
    int n = RandomNumber(3, 7);
    ASSERT_GE(n, 3);
    ASSERT_LE(n, 7);
    ++seen[n];
  }
  EXPECT_EQ(seen.size(), 5u);
  EXPECT_EQ(RandomNumber(4, 4), 4);
  int swapped = RandomNumber(9, 8);
  EXPECT_TRUE(swapped == 8 || swapped == 9);
  EXPECT_GE(RandomNumber(2147483000, 0), 2147483000);  // 0 stands for the largest int
}

TEST(RandomText, TenCharactersWithTheThreeClassesEquallyLikely) {
  EXPECT_EQ(RandomText(0), "");
  EXPECT_EQ(RandomText(-3), "");
  int digits = 0, upper = 0, lower = 0;
  constexpr int kRuns = 3000;
  for (int run = 0; run < kRuns; ++run) {
    const std::string text = RandomText(10);
    ASSERT_EQ(text.size(), 10u);
    for (char c : text) {
      if (c >= '0' && c <= '9') {
        ++digits;
      } else if (c >= 'A' && c <= 'Z') {
        ++upper;
      } else if (c >= 'a' && c <= 'z') {
        ++lower;
      } else {
        FAIL() << "unexpected character " << int(c);
      }
    }
  }
  // 30000 draws, 10000 expected per class; the standard deviation is about 82, so a
  // +-600 band only fails for a broken draw (digits picked by size would give ~4800).
  for (int count : {digits, upper, lower}) {
    EXPECT_GT(count, 10000 - 600);
    EXPECT_LT(count, 10000 + 600);
  }
}

TEST(UnUnicode, Cases) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"\\u4e2d", "中"},
      {"%u4E2D%u6587", "中文"},
      {"a%20b", "a b"},
      {"http:\\/\\/x.cn\\/a.mp3", "http:%/%/x.cn%/a.mp3"},  // escaped slash: "%" stays
      {"plain text 中文", "plain text 中文"},
      {"", ""},
      {"100%", "100%"},
      {"%zz %u12 \\x", "%zz %u12 %x"},
      {"\\ud83c\\udfb5", "\xF0\x9F\x8E\xB5"},  // a surrogate pair is one character
      {"\\ud83c!", "\xEF\xBF\xBD!"},           // a lone surrogate becomes U+FFFD
      {"%E4", "\xC3\xA4"},                     // %XX is the character U+00XX
      {"\\\\u4e2d", "%中"},
      {"%U4e2d", "%U4e2d"},  // only a lower-case u escapes
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(UnUnicode(text), expected);
  }
}

// unescape proper: only "%" starts an escape, a backslash is a plain character.
TEST(Unescape, Cases) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"%u4f60%u597D", "你好"},
      {"a%20b%2fc", "a b/c"},
      {"\\u4e2d \\/", "\\u4e2d \\/"},
      {"100% %zz %u12", "100% %zz %u12"},
      {"%ud83c%udfb5", "\xF0\x9F\x8E\xB5"},
      {"%ud83c!", "\xEF\xBF\xBD!"},
      {"%E4", "\xC3\xA4"},
      {"中文 plain", "中文 plain"},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Unescape(text), expected);
  }
}

TEST(TrimBlanks, BothEndsOnlyAndTheChosenBlanks) {
  EXPECT_EQ(TrimBlanks(" \t http://a/b c.png \r\n"), "http://a/b c.png");
  EXPECT_EQ(TrimBlanks(" \r\n\t "), "");
  EXPECT_EQ(TrimBlanks(""), "");
  EXPECT_EQ(TrimBlanks("\tkey = value\r", " \t"), "key = value\r");
}

}  // namespace
}  // namespace quilla::web
