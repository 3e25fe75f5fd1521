#include "server/library/lyrics_source.h"

#include <filesystem>

#include "encoding/gbk.h"
#include "encoding/utf8.h"
#include "server/library/small_file.h"
#include "server/library/tag_reader.h"

namespace quilla::server::library {

using encoding::AppendUtf8;
using encoding::IsValidUtf8;
using encoding::kReplacementCharacter;
namespace {

// Lyrics files are a few kilobytes; anything far larger is not one.
constexpr std::size_t kMaxLyricsFileBytes = 512 * 1024;

std::string Utf16ToUtf8(std::string_view bytes, bool big_endian) {
  std::string out;
  auto unit = [&](std::size_t i) -> char32_t {
    const auto a = static_cast<unsigned char>(bytes[i]),
               b = static_cast<unsigned char>(bytes[i + 1]);
    return big_endian ? (a << 8 | b) : (b << 8 | a);
  };
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t cp = unit(i);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size()) {
      const char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) cp = kReplacementCharacter;
    AppendUtf8(out, cp);
  }
  return out;
}

// Every line break (CR LF, LF or a lone CR) as CR LF.
std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\r\n";
    } else if (text[i] == '\n') {
      out += "\r\n";
    } else {
      out += text[i];
    }
  }
  return out;
}

bool Blank(std::string_view text) {
  return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

}  // namespace

std::optional<std::string> DecodeLyricsText(std::string_view bytes) {
  std::string utf8;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    utf8 = bytes.substr(3);
  } else if (bytes.substr(0, 2) == "\xFF\xFE") {
    utf8 = Utf16ToUtf8(bytes.substr(2), false);
  } else if (bytes.substr(0, 2) == "\xFE\xFF") {
    utf8 = Utf16ToUtf8(bytes.substr(2), true);
  } else if (IsValidUtf8(bytes)) {
    utf8 = bytes;
  } else {
    utf8 = encoding::GbkToUtf8(bytes);
  }
  if (const auto nul = utf8.find('\0'); nul != std::string::npos) utf8.resize(nul);
  if (Blank(utf8)) return std::nullopt;
  return WithCrLf(utf8);
}

std::optional<std::string> FindLyrics(const LibrarySong& song) {
  std::filesystem::path lrc(song.path);
  for (const char* extension : {".lrc", ".LRC", ".Lrc"}) {
    lrc.replace_extension(extension);
    if (const auto bytes = ReadSmallFile(lrc.string(), kMaxLyricsFileBytes)) {
      if (auto text = DecodeLyricsText(*bytes)) return text;
    }
  }
  if (!song.embedded_lyrics) return std::nullopt;
  const auto embedded = ReadEmbeddedLyrics(song.path);
  return embedded ? DecodeLyricsText(*embedded) : std::nullopt;
}

}  // namespace quilla::server::library
