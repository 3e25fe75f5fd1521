#pragma once
// Regular-expression matching over PCRE2 (UTF-8 mode) with the interface the music search
// uses: match once, then read the match count and the sub-matches.

#include <string>
#include <string_view>
#include <vector>

namespace quilla::web {

// One object is used from one thread at a time; different objects are independent.
class RegexMatcher {
 public:
  // Compiles `pattern` and collects the matches in `text` (every match when global, else
  // only the first). Defaults: ignore case, multi-line ("^" and "$" at line breaks),
  // global. quote_escape replaces every "#引号" in the pattern by a double quote first.
  // Returns false (and forgets earlier matches) when the pattern does not compile or
  // matching fails (e.g. the backtracking limit); true otherwise, also with no matches.
  // Text that is not valid UTF-8 is matched, invalid bytes simply never match (no match
  // spans one). The text's UTF-8 is checked once, whatever the number of matches; the
  // pattern is compiled to machine code where the platform allows.
  bool Match(std::string_view pattern, std::string_view text, bool case_sensitive = false,
             bool multi_line = true, bool global = true, bool quote_escape = false);

  // Number of matches found by the last Match (0 before any).
  int MatchCount() const;

  // Capture group j (1-based) of match i (1-based). "" when i or j is out of range or the
  // group did not take part in the match.
  std::string SubMatchText(int i, int j) const;

 private:
  // Per match: the text of groups 1..n ("" when a group did not take part).
  std::vector<std::vector<std::string>> matches_;
};

}  // namespace quilla::web
