#include "client/extras/song_file_name.h"

#include <array>
#include <utility>

namespace quilla::client {
namespace {

bool IsForbiddenAscii(unsigned char byte) {
  constexpr std::string_view kForbidden = "/\\:*?\"<>|";
  return byte < 0x20 || byte == 0x7F ||
         kForbidden.find(static_cast<char>(byte)) != std::string_view::npos;
}

bool IsContinuationByte(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

std::string Lowercase(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

}  // namespace

std::string SafeSongStem(std::string_view title) {
  std::string stem;
  stem.reserve(title.size());
  for (std::size_t i = 0; i < title.size(); ++i) {
    const auto byte = static_cast<unsigned char>(title[i]);
    // The C1 controls U+0080..U+009F: C2 80 .. C2 9F in UTF-8.
    if (byte == 0xC2 && i + 1 < title.size()) {
      const auto next = static_cast<unsigned char>(title[i + 1]);
      if (next >= 0x80 && next <= 0x9F) {
        stem += '_';
        ++i;
        continue;
      }
    }
    stem += IsForbiddenAscii(byte) ? '_' : title[i];
  }
  // Leading dots would hide the file or climb out of the folder; leading blanks (also the
  // ideographic space U+3000) only hide the name's start.
  constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";
  std::size_t first_kept = 0;
  while (first_kept < stem.size()) {
    if (stem[first_kept] == '.' || stem[first_kept] == ' ') {
      ++first_kept;
    } else if (std::string_view(stem).substr(first_kept).starts_with(kIdeographicSpace)) {
      first_kept += kIdeographicSpace.size();
    } else {
      break;
    }
  }
  stem.erase(0, first_kept);
  if (stem.size() > kMaxSongStemBytes) {
    std::size_t cut = kMaxSongStemBytes;
    // Back to the first byte of the character that would be split.
    while (cut > 0 && IsContinuationByte(static_cast<unsigned char>(stem[cut]))) --cut;
    stem.resize(cut);
  }
  return stem.empty() ? std::string(kUnnamedSong) : stem;
}

std::string_view SongExtensionFor(std::string_view content_type) {
  const std::string type = Lowercase(content_type.substr(0, content_type.find(';')));
  std::string_view media = type;
  while (!media.empty() && (media.back() == ' ' || media.back() == '\t')) media.remove_suffix(1);
  while (!media.empty() && (media.front() == ' ' || media.front() == '\t')) media.remove_prefix(1);
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 11> kTypes = {{
      {"audio/mpeg", ".mp3"},
      {"audio/mp3", ".mp3"},
      {"audio/flac", ".flac"},
      {"audio/x-flac", ".flac"},
      {"audio/ogg", ".ogg"},
      {"audio/mp4", ".m4a"},
      {"audio/x-m4a", ".m4a"},
      {"audio/wav", ".wav"},
      {"audio/x-wav", ".wav"},
      {"audio/wave", ".wav"},
      {"audio/vnd.wave", ".wav"},
  }};
  for (const auto& [name, extension] : kTypes) {
    if (media == name) return extension;
  }
  return ".mp3";
}

}  // namespace quilla::client
