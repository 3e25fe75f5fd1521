#include "server/audio/lyrics.h"

#include <gtest/gtest.h>

namespace quilla::server {
namespace {

struct LyricCase {
  const char* name;
  std::string_view lyrics;
  std::string_view key;
  std::string_view line;
};

class FindLyricLineTest : public ::testing::TestWithParam<LyricCase> {};

TEST_P(FindLyricLineTest, FindsTheLineOfTheSecond) {
  EXPECT_EQ(FindLyricLine(GetParam().lyrics, GetParam().key), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindLyricLineTest,
    ::testing::Values(
        // The line break before the next tag belongs to the line.
        LyricCase{"KeepsLineBreak", "[00:01.50]first\r\n[00:02.10]second", "00:01", "first\r\n"},
        LyricCase{"LastLine", "[00:01.50]first\r\n[00:02.10]second", "00:02", "second"},
        LyricCase{"NoTagForSecond", "[00:01.50]first\r\n[00:02.10]second", "00:03", ""},
        // Two tags within one second: the last matching piece wins.
        LyricCase{"LastPieceWins", "[00:05.00]one\r\n[00:05.80]two\r\n", "00:05", "two\r\n"},
        // The key always has two digits of minutes.
        LyricCase{"OneDigitMinutesNeverMatch", "[1:05.00]words", "01:05", ""},
        LyricCase{"NoBracketAtAll", "plain words 00:12 without tags", "00:12", ""},
        LyricCase{"Empty", "", "00:00", ""},
        // Several tags on one line: only the last one carries the words.
        LyricCase{"EarlierTagOfSharedLine", "[00:12.00][01:30.00]words", "00:12", ""},
        LyricCase{"LastTagOfSharedLine", "[00:12.00][01:30.00]words", "01:30", "words"},
        // A later empty match replaces an earlier line.
        LyricCase{"EmptyLaterMatchWins", "[00:07.00]seven\n[00:07.50][00:09.00]nine", "00:07", ""},
        // Metadata tags are pieces like any other; text is compared byte for byte.
        LyricCase{"MetadataTag", "[ti:00:30 live]\n[00:30.00]歌词", "00:30", "歌词"},
        LyricCase{"AfterLastKeyInPiece", "[00:08.00]x]00:08]tail", "00:08", "tail"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextAfterLastTest, TakesTheTextAfterTheLastMarker) {
  EXPECT_EQ(TextAfterLast("a]b]c", "]"), "c");
  EXPECT_EQ(TextAfterLast("abc]", "]"), "");
  EXPECT_EQ(TextAfterLast("abc", "]"), "");
  EXPECT_EQ(TextAfterLast("xAbAc", "Ab"), "Ac");
  EXPECT_EQ(TextAfterLast("xabc", "AB"), "");  // case-sensitive
}

}  // namespace
}  // namespace quilla::server
