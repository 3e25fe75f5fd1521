#include "encoding/gbk.h"

#include <gtest/gtest.h>

namespace quilla::encoding {
namespace {

struct Case {
  const char* utf8;
  std::string gbk;
};

TEST(GbkTest, RoundTripsTextThatGbkHolds) {
  const Case cases[] = {
      {"", ""},
      {"abc", "abc"},
      {"用户加入", "\xD3\xC3\xBB\xA7\xBC\xD3\xC8\xEB"},
      {"g【*】c", "\x67\xA1\xBE\x2A\xA1\xBF\x63"},
      {"€", "\x80"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk) << c.utf8;
    EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8) << c.utf8;
  }
}

TEST(GbkTest, UnconvertibleCharactersBecomeTheReplacementCharacter) {
  EXPECT_EQ(Utf8ToGbk("a😀b"), "a?b");
  EXPECT_EQ(Utf8ToGbk("a\xFF" "b"), "a?b");          // not UTF-8 at all
  EXPECT_EQ(GbkToUtf8("a\x81"), "a\xEF\xBF\xBD");     // lead byte without trail
  EXPECT_EQ(GbkToUtf8("\xFF" "x"), "\xEF\xBF\xBDx");  // never a GBK byte
}

TEST(GbkTest, Utf8ToGbkStopsAtTheFirstZeroByte) {
  EXPECT_EQ(Utf8ToGbk(std::string("中\0tail", 8)), "\xD6\xD0");
}

}  // namespace
}  // namespace quilla::encoding
