#include "web/regex_matcher.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <memory>

#include "web/quote_word.h"

namespace quilla::web {
namespace {

struct CodeDeleter {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

bool IsUtfError(int rc) {
  return rc <= PCRE2_ERROR_UTF8_ERR1 && rc >= PCRE2_ERROR_UTF8_ERR21;
}

}  // namespace

// The text is matched run by run, a run being a stretch of valid UTF-8 between bytes
// that are not: PCRE2 then checks every byte once and matches with its UTF check off.
// (Letting PCRE2 check the rest of the text at each of the many matches of a global
// search, as it does by default and always does for invalid UTF, costs time in the
// square of the text's length: seconds for a few megabytes.)
bool RegexMatcher::Match(std::string_view pattern, std::string_view text, bool case_sensitive,
                         bool multi_line, bool global, bool quote_escape) {
  matches_.clear();
  const std::string source =
      quote_escape ? detail::ReplaceQuoteWord(pattern) : std::string(pattern);

  uint32_t options = PCRE2_UTF;
  if (!case_sensitive) options |= PCRE2_CASELESS;
  if (multi_line) options |= PCRE2_MULTILINE;
  int error = 0;
  PCRE2_SIZE error_offset = 0;
  std::unique_ptr<pcre2_code, CodeDeleter> code(
      pcre2_compile(reinterpret_cast<PCRE2_SPTR>(source.data()), source.size(), options, &error,
                    &error_offset, nullptr));
  if (!code) return false;
  // Compiled to machine code where the platform allows; the interpreter serves otherwise.
  pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE);
  std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(
      pcre2_match_data_create_from_pattern(code.get(), nullptr));
  if (!data) return false;

  uint32_t group_count = 0;
  pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &group_count);

  size_t run_start = 0;
  while (true) {
    // Where the valid run ends: PCRE2 checks what it is given and reports the first bad
    // sequence. (A valid rest of the text is simply searched once more, below.)
    std::string_view rest = text.substr(run_start);
    size_t run_end = text.size();
    const int check = pcre2_match(code.get(), reinterpret_cast<PCRE2_SPTR>(rest.data()),
                                  rest.size(), 0, 0, data.get(), nullptr);
    if (IsUtfError(check)) {
      run_end = run_start + pcre2_get_startchar(data.get());
    } else if (check < 0 && check != PCRE2_ERROR_NOMATCH) {
      matches_.clear();
      return false;
    }
    const std::string_view run = text.substr(run_start, run_end - run_start);
    // Bytes around the run are not line breaks: "^" and "$" hold only at the text's ends.
    uint32_t run_options = PCRE2_NO_UTF_CHECK;
    if (run_start > 0) run_options |= PCRE2_NOTBOL;
    if (run_end < text.size()) run_options |= PCRE2_NOTEOL;
    const auto* subject = reinterpret_cast<PCRE2_SPTR>(run.data());
    PCRE2_SIZE offset = 0;
    uint32_t empty_options = 0;
    while (offset <= run.size()) {
      int rc = pcre2_match(code.get(), subject, run.size(), offset, run_options | empty_options,
                           data.get(), nullptr);
      if (rc == PCRE2_ERROR_NOMATCH) {
        if (empty_options == 0) break;
        // The empty match at `offset` had no non-empty alternative: step one character on.
        empty_options = 0;
        ++offset;
        while (offset < run.size() && (static_cast<unsigned char>(run[offset]) & 0xC0) == 0x80) {
          ++offset;
        }
        continue;
      }
      if (rc < 0) {
        matches_.clear();
        return false;
      }
      const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
      std::vector<std::string> groups(group_count);
      for (uint32_t g = 1; g <= group_count && g < static_cast<uint32_t>(rc); ++g) {
        if (ovector[2 * g] == PCRE2_UNSET) continue;
        groups[g - 1].assign(run.substr(ovector[2 * g], ovector[2 * g + 1] - ovector[2 * g]));
      }
      matches_.push_back(std::move(groups));
      if (!global) return true;
      offset = ovector[1];
      // After an empty match, first look for a non-empty one at the same place.
      empty_options = ovector[0] == ovector[1] ? PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED : 0;
    }
    if (run_end >= text.size()) return true;
    // Step over the bad byte; the next run starts behind it.
    run_start = run_end + 1;
  }
}

int RegexMatcher::MatchCount() const {
  return static_cast<int>(matches_.size());
}

std::string RegexMatcher::SubMatchText(int i, int j) const {
  if (i < 1 || static_cast<size_t>(i) > matches_.size()) return "";
  const std::vector<std::string>& groups = matches_[static_cast<size_t>(i) - 1];
  if (j < 1 || static_cast<size_t>(j) > groups.size()) return "";
  return groups[static_cast<size_t>(j) - 1];
}

}  // namespace quilla::web
