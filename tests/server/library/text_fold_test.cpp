// The folding that search compares on both sides.

#include "server/library/text_fold.h"

#include <gtest/gtest.h>

namespace quilla::server::library {
namespace {

TEST(TextFoldTest, FoldsCaseWidthScriptAndSpaces) {
  const std::pair<const char*, const char*> cases[] = {
      {"Jay CHOU", "jay chou"},
      {"ＡＢＣ１２３", "abc123"},  // full-width forms
      {"周杰倫", "周杰伦"},        // traditional to simplified
      {"後來", "后来"},
      {"  晴\t\r\n空　天  ", "晴 空 天"},  // tabs, line breaks, ideographic space
      {"ÉCOLE Ünd", "école ünd"},          // Latin letters beyond ASCII
      {"ПРИВЕТ", "привет"},
      {"a\x01"
       "b",
       "ab"},  // control characters go
      {"a\xFF"
       "b",
       "a\xEF\xBF\xBD"
       "b"},  // a stray byte becomes U+FFFD
  };
  for (const auto& [text, folded] : cases) EXPECT_EQ(FoldForSearch(text), folded) << text;
}

TEST(TextFoldTest, SimplifiedTextStaysAsItIs) {
  EXPECT_EQ(FoldForSearch("周杰伦的晴天"), "周杰伦的晴天");
}

}  // namespace
}  // namespace quilla::server::library
