#include "server/library/speech_text.h"

#include "encoding/utf8.h"

namespace quilla::server::library {
namespace {

bool IsAsciiLetter(char32_t cp) {
  return (cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z');
}

void Add(std::vector<SpeechPart>& parts, std::string_view text, bool english) {
  if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) return;
  parts.push_back({std::string(text), english});
}

}  // namespace

std::vector<SpeechPart> SplitSpeechText(std::string_view text) {
  std::vector<SpeechPart> parts;
  std::size_t start = 0;
  bool english = false;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t here = at;
    const char32_t cp = encoding::NextCodePoint(text, at);
    const bool switches = english ? cp >= 0x80 : IsAsciiLetter(cp);
    if (!switches) continue;
    Add(parts, text.substr(start, here - start), english);
    start = here;
    english = !english;
  }
  Add(parts, text.substr(start), english);
  return parts;
}

}  // namespace quilla::server::library
