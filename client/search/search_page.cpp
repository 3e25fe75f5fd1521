#include "client/search/search_page.h"

#include "client/search/json_text.h"
#include "web/regex_matcher.h"

namespace quilla::client {
namespace {

constexpr std::string_view kNull = "null,";

bool IsNullAt(std::string_view text, size_t at) {
  if (at + kNull.size() > text.size()) return false;
  for (size_t i = 0; i < kNull.size(); ++i) {
    char c = text[at + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kNull[i]) return false;
  }
  return true;
}

// `text` cut to at most `limit` bytes without splitting a UTF-8 character.
std::string CutAt(std::string text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
  return text;
}

}  // namespace

std::string ReplaceNullValues(std::string_view answer) {
  const std::string replacement = "\"" + std::string(kNoLyricsText) + "\",";
  std::string out;
  out.reserve(answer.size());
  size_t copied = 0;
  // A plain loop: find_first_of with a set of two would call memchr once per byte.
  for (size_t at = 0; at < answer.size(); ++at) {
    if ((answer[at] | 0x20) != 'n' || !IsNullAt(answer, at)) continue;
    out.append(answer.substr(copied, at - copied));
    out += replacement;
    copied = at + kNull.size();
    at = copied - 1;
  }
  out.append(answer.substr(copied));
  return out;
}

std::vector<SongRecord> ParseSearchPage(std::string_view answer) {
  std::vector<SongRecord> songs;
  if (answer.size() > kMaxAnswerBytes) return songs;
  const std::string text = ReplaceNullValues(answer);
  web::RegexMatcher matcher;
  if (!matcher.Match(kSongPattern, text)) return songs;
  const int count = matcher.MatchCount();
  songs.reserve(static_cast<size_t>(count));
  for (int i = 1; i <= count; ++i) {
    auto field = [&](int group, size_t limit) {
      return CutAt(DecodeJsonText(matcher.SubMatchText(i, group)), limit);
    };
    songs.push_back({.title = field(1, kMaxFieldBytes),
                     .artist = field(2, kMaxFieldBytes),
                     .url = field(4, kMaxFieldBytes),
                     .picture = field(5, kMaxFieldBytes),
                     .lyrics = field(3, kMaxLyricsBytes)});
  }
  return songs;
}

}  // namespace quilla::client
