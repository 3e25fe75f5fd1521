#include "server/radio/lyrics_text.h"

#include <gtest/gtest.h>

#include <string>

namespace quilla::server {
namespace {

const std::string kFffd = "\xEF\xBF\xBD";

TEST(LyricsTextTest, KeepsWellFormedTextAndReplacesEveryBadByte) {
  struct Case {
    std::string name;
    std::string bytes;
    std::string text;
  };
  const Case cases[] = {
      {"empty", "", ""},
      {"lrc", "[00:01.50]晴天\r\n[00:02.10]故事的小黄花",
       "[00:01.50]晴天\r\n[00:02.10]故事的小黄花"},
      {"four-byte character", "[00:03.00]\xF0\x9F\x8E\xB5", "[00:03.00]\xF0\x9F\x8E\xB5"},
      {"byte-order mark dropped", "\xEF\xBB\xBF[ti:x]", "[ti:x]"},
      {"ends at a zero byte", std::string("[00:01.00]a\0[00:02.00]b", 22), "[00:01.00]a"},
      {"stray continuation byte",
       "a\x80"
       "b",
       "a" + kFffd + "b"},
      {"GBK bytes", "\xC7\xE7\xCC\xEC", kFffd + kFffd + kFffd + kFffd},
      {"truncated at the end", "ok\xE4\xBD", "ok" + kFffd + kFffd},
      {"truncated before ASCII", "\xE4\xBD[", kFffd + kFffd + "["},
      {"overlong slash", "\xC0\xAF", kFffd + kFffd},
      {"overlong three-byte", "\xE0\x80\xAF", kFffd + kFffd + kFffd},
      {"surrogate", "\xED\xA0\x80", kFffd + kFffd + kFffd},
      {"above U+10FFFF", "\xF4\x90\x80\x80", kFffd + kFffd + kFffd + kFffd},
      {"lead byte F5", "\xF5x", kFffd + "x"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LyricsText(c.bytes), c.text) << c.name;
  }
}

}  // namespace
}  // namespace quilla::server
