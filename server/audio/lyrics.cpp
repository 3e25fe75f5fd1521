#include "server/audio/lyrics.h"

namespace quilla::server {

std::string TextAfterLast(std::string_view text, std::string_view marker) {
  const std::size_t at = text.rfind(marker);
  if (at == std::string_view::npos) return {};
  return std::string(text.substr(at + marker.size()));
}

std::string FindLyricLine(std::string_view lyrics, std::string_view key) {
  std::string line;
  // Every piece between two "[" is visited in order and a later match replaces an earlier
  // one: within one second the line of the last tag wins.
  std::size_t start = 0;
  while (true) {
    const std::size_t end = lyrics.find('[', start);
    const std::string_view piece =
        lyrics.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (piece.find(key) != std::string_view::npos) {
      line = TextAfterLast(TextAfterLast(piece, key), "]");
    }
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return line;
}

}  // namespace quilla::server
