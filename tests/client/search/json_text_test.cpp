#include "client/search/json_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace quilla::client {
namespace {

TEST(DecodeJsonText, DecodesWhatTheServiceSends) {
  const std::pair<std::string, std::string> cases[] = {
      {"\\u4f60\\u597d", "你好"},
      {"\\u4F60", "你"},               // upper-case hex digits
      {"%u4f60 and %20", "你 and  "},  // percent escapes too
      {"http:\\/\\/x.cn\\/a%20b.mp3", "http://x.cn/a b.mp3"},
      {"Rock \\u2019n roll", "Rock 'n roll"},  // ’ comes back as '
      {"It's", "It's"},                        // the value's own ' survives
      {"say \\\"hi\\\" \\\\ back", "say \"hi\" \\ back"},
      {"[00:01.00]a\\n[00:02.00]b\\r\\nc\\td", "[00:01.00]a\n[00:02.00]b\r\nc\td"},
      {"line one\r\nline two", "line one\r\nline two"},  // CR LF kept as it is
      {"\rafter a lone CR", "after a lone CR"},          // only at the very start
      {"\\ud83c\\udfb5 note", "\xF0\x9F\x8E\xB5 note"},  // a surrogate pair is one character
      {"%E4", "\xC3\xA4"},                               // %XX is U+00XX, not a byte
      {"\\x41\\101\\q", "AAq"},                          // hex, octal, plain escapes
      {"100%", "100%"},
      {"", ""},
      {"cut\\u0000here", "cut"},  // a NUL ends the text
  };
  for (const auto& [value, expected] : cases) {
    SCOPED_TRACE(value);
    EXPECT_EQ(DecodeJsonText(value), expected);
  }
}

// What a script engine could not read (or reads as nothing) is kept as it came.
TEST(DecodeJsonText, AValueTheLiteralCannotHoldIsKeptAsItCame) {
  const std::string cases[] = {
      "ends in a backslash\\",
      "a lone\nline feed",
      "a lone\rCR inside",
      "\\u0000",
  };
  for (const std::string& value : cases) {
    SCOPED_TRACE(value);
    EXPECT_EQ(DecodeJsonText(value), value);
  }
}

}  // namespace
}  // namespace quilla::client
