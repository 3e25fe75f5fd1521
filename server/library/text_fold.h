#pragma once
// The one spelling that search compares: both the indexed fields and the query are folded
// the same way, so a match ignores letter case, full-width forms and the difference
// between traditional and simplified characters (周杰倫 and 周杰伦 fold alike).

#include <string>
#include <string_view>

namespace quilla::server::library {

// Full-width ASCII forms to ASCII, the ideographic space to a space, lower case (Unicode
// simple lower case), traditional Han characters to their simplified form (OpenCC's
// character table). Pure, thread-safe.
char32_t FoldCodePoint(char32_t cp);

// UTF-8 text folded character by character (FoldCodePoint), control characters dropped,
// every run of white space turned into one space and the ends trimmed. Bytes that are
// not UTF-8 become U+FFFD, which no query matches unless it holds one too. Pure,
// thread-safe.
std::string FoldForSearch(std::string_view utf8);

// True for the white space that FoldForSearch collapses (after folding).
bool IsFoldedSpace(char32_t cp);

}  // namespace quilla::server::library
