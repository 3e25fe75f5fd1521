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

}  // namespace

bool RegexMatcher::Match(std::string_view pattern, std::string_view text, bool case_sensitive,
                         bool multi_line, bool global, bool quote_escape) {
  matches_.clear();
  const std::string source =
      quote_escape ? detail::ReplaceQuoteWord(pattern) : std::string(pattern);

  uint32_t options = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF;
  if (!case_sensitive) options |= PCRE2_CASELESS;
  if (multi_line) options |= PCRE2_MULTILINE;
  int error = 0;
  PCRE2_SIZE error_offset = 0;
  std::unique_ptr<pcre2_code, CodeDeleter> code(
      pcre2_compile(reinterpret_cast<PCRE2_SPTR>(source.data()), source.size(), options, &error,
                    &error_offset, nullptr));
  if (!code) return false;
  std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(
      pcre2_match_data_create_from_pattern(code.get(), nullptr));
  if (!data) return false;

  uint32_t group_count = 0;
  pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &group_count);
  const auto* subject = reinterpret_cast<PCRE2_SPTR>(text.data());
  PCRE2_SIZE offset = 0;
  uint32_t match_options = 0;
  while (offset <= text.size()) {
    int rc =
        pcre2_match(code.get(), subject, text.size(), offset, match_options, data.get(), nullptr);
    if (rc == PCRE2_ERROR_NOMATCH) {
      if (match_options == 0) break;
      // The empty match at `offset` had no non-empty alternative: step one character on.
      match_options = 0;
      ++offset;
      while (offset < text.size() && (static_cast<unsigned char>(text[offset]) & 0xC0) == 0x80) {
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
      groups[g - 1].assign(text.substr(ovector[2 * g], ovector[2 * g + 1] - ovector[2 * g]));
    }
    matches_.push_back(std::move(groups));
    if (!global) break;
    offset = ovector[1];
    // After an empty match, first look for a non-empty one at the same place.
    match_options = ovector[0] == ovector[1] ? PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED : 0;
  }
  return true;
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
