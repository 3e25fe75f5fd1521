#pragma once
// What a client built as the search clients are makes of a search answer, step by step:
// every "null," replaced by the no-lyrics text (any letter case), the five values found by
// the clients' pattern, then each value decoded as the client decodes it. (The client's own
// parser lives with the client; this is the same reading, for the library's tests.)

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "web/regex_matcher.h"
#include "web/text_helpers.h"

namespace quilla::server::library {

// The clients' pattern, as they compile it (ignore case, multi-line, global).
inline constexpr const char* kClientAnswerPattern =
    R"re(title":"(.*?)","author":"(.*?)","lrc":"(.*?)","url":"(.*?)","pic":"(.*?)"})re";

struct ClientSong {
  std::string title, author, lrc, url, pic;
};

inline std::string ReplaceNullLikeTheClient(const std::string& answer) {
  std::string text;
  for (std::size_t i = 0; i < answer.size();) {
    const bool null_comma =
        answer.size() - i >= 5 && std::tolower(static_cast<unsigned char>(answer[i])) == 'n' &&
        std::tolower(static_cast<unsigned char>(answer[i + 1])) == 'u' &&
        std::tolower(static_cast<unsigned char>(answer[i + 2])) == 'l' &&
        std::tolower(static_cast<unsigned char>(answer[i + 3])) == 'l' && answer[i + 4] == ',';
    if (null_comma) {
      text += "\"No lyrics that match the song.\",";
      i += 5;
    } else {
      text += answer[i++];
    }
  }
  return text;
}

// A captured value as the client decodes it: every "\u" turned into "%u", the text read
// as a script string literal (\n, \r, \t, \", and any other escaped character as
// itself), then unescaped (%uXXXX, %XX).
inline std::string DecodeLikeTheClient(const std::string& value) {
  std::string text = value;
  for (std::size_t at = 0; (at = text.find("\\u", at)) != std::string::npos; at += 2) {
    text[at] = '%';
  }
  std::string literal;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char next = text[++i];
      literal += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next;
    } else {
      literal += text[i];
    }
  }
  return web::UnUnicode(literal);
}

inline std::vector<ClientSong> ParseLikeTheClient(const std::string& answer) {
  web::RegexMatcher matcher;
  EXPECT_TRUE(matcher.Match(kClientAnswerPattern, ReplaceNullLikeTheClient(answer)));
  std::vector<ClientSong> songs;
  for (int i = 1; i <= matcher.MatchCount(); ++i) {
    songs.push_back({DecodeLikeTheClient(matcher.SubMatchText(i, 1)),
                     DecodeLikeTheClient(matcher.SubMatchText(i, 2)),
                     DecodeLikeTheClient(matcher.SubMatchText(i, 3)),
                     DecodeLikeTheClient(matcher.SubMatchText(i, 4)),
                     DecodeLikeTheClient(matcher.SubMatchText(i, 5))});
  }
  return songs;
}

}  // namespace quilla::server::library
