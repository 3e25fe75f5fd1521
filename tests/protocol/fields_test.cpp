#include "protocol/fields.h"

#include <gtest/gtest.h>

namespace quilla::protocol {
namespace {

const std::string kSep(kFieldSeparator);

TEST(FieldsTest, SeparatorIsTheGbkBytesOfItsText) {
  EXPECT_EQ(kSep, "\x67\xA1\xBE\x2A\xA1\xBF\x63");
  EXPECT_EQ(kPlaceholderPayload, std::string(1, '\0'));
}

TEST(FieldsTest, SplitFields) {
  const std::string zhong = "\xD6\xD0";  // a GBK double-byte character
  // 0x81 0x67 is one GBK character whose trail byte is "g", the separator's first byte.
  const std::string trail_g = "\x81\x67";
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> fields;
  } cases[] = {
      {"empty text", "", {}},
      {"one field", "a", {"a"}},
      {"two fields", "a" + kSep + "b", {"a", "b"}},
      {"trailing separator ends an empty field", "a" + kSep + "b" + kSep, {"a", "b", ""}},
      {"leading separator", kSep + "b", {"", "b"}},
      {"separator alone", kSep, {"", ""}},
      {"empty middle field", "a" + kSep + kSep + "b", {"a", "", "b"}},
      {"GBK text around separators", zhong + kSep + zhong + zhong, {zhong, zhong + zhong}},
      {"trail byte g does not start a separator",
       "x" + trail_g + kSep.substr(1) + "y", {"x" + trail_g + kSep.substr(1) + "y"}},
      {"separator right after a character with trail g", trail_g + kSep + "y",
       {trail_g, "y"}},
      {"lead byte at the very end", "a" + kSep + "b\x81", {"a", "b\x81"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitFields(c.text), c.fields) << c.name;
    if (!c.fields.empty()) {
      EXPECT_EQ(JoinFields(c.fields), c.text) << c.name;
    }
  }
  EXPECT_EQ(JoinFields({}), "");
}

TEST(FieldsTest, PayloadTextStopsAtTheFirstZeroByte) {
  EXPECT_EQ(PayloadText(std::string("abc\0def", 7)), "abc");
  EXPECT_EQ(PayloadText("abc"), "abc");
  EXPECT_EQ(PayloadText(kPlaceholderPayload), "");
  EXPECT_EQ(PayloadText(""), "");
}

TEST(FieldsTest, DashPairSplitsAtTheLastDash) {
  using Pair = std::pair<std::string, std::string>;
  struct Case {
    std::string text;
    std::optional<Pair> pair;
  } cases[] = {
      {"Song-Ann", Pair{"Song", "Ann"}},
      {"Song-Live-Ann", Pair{"Song-Live", "Ann"}},
      {"Song - Live-Ann", Pair{"Song - Live", "Ann"}},
      {"Song-", Pair{"Song", ""}},
      {"-Ann", Pair{"", "Ann"}},
      {"歌曲-张三", Pair{"歌曲", "张三"}},                       // UTF-8
      {"\xB8\xE8-\xD5\xC5", Pair{"\xB8\xE8", "\xD5\xC5"}},  // GBK
      {"NoDash", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitDashPair(c.text), c.pair) << c.text;
    if (c.pair) {
      EXPECT_EQ(JoinDashPair(c.pair->first, c.pair->second), c.text);
    }
  }
}

}  // namespace
}  // namespace quilla::protocol
