#include "server/library/search_answer.h"

#include <cstdio>

#include "encoding/utf8.h"

namespace quilla::server::library {

using encoding::NextCodePoint;
namespace {

void AppendUnit(std::string& out, unsigned unit) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "\\u%04x", unit);
  out += hex;
}

}  // namespace

void AppendUnicodeEscape(std::string& out, char32_t cp) {
  if (cp < 0x10000) {
    AppendUnit(out, static_cast<unsigned>(cp));
  } else {
    const char32_t v = cp - 0x10000;
    AppendUnit(out, static_cast<unsigned>(0xD800 + (v >> 10)));
    AppendUnit(out, static_cast<unsigned>(0xDC00 + (v & 0x3FF)));
  }
}

std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  out.reserve(utf8.size() + 2);
  for (std::size_t pos = 0; pos < utf8.size();) {
    const char32_t cp = NextCodePoint(utf8, pos);
    switch (cp) {
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (cp >= 0x20 && cp < 0x7F && cp != ',' && cp != '%' && cp != '\\') {
          out += static_cast<char>(cp);
        } else {
          AppendUnicodeEscape(out, cp);
        }
    }
  }
  out += '"';
  return out;
}

std::string SearchAnswerJson(const std::vector<AnswerEntry>& entries, std::size_t total, int page) {
  std::string out = "{\"code\":200,\"total\":" + std::to_string(total) +
                    ",\"page\":" + std::to_string(page) + ",\"data\":[";
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const AnswerEntry& e = entries[i];
    if (i) out += ',';
    out += "{\"type\":\"library\",\"songid\":\"" + std::to_string(e.id) + "\"";
    out += ",\"album\":" + JsonString(e.album);
    out += ",\"title\":" + JsonString(e.title);
    out += ",\"author\":" + JsonString(e.artist);
    out += ",\"lrc\":" + (e.lyrics ? JsonString(*e.lyrics) : std::string("null"));
    out += ",\"url\":" + JsonString(e.url);
    out += ",\"pic\":" + JsonString(e.pic);
    out += '}';
  }
  out += "],\"error\":\"\"}";
  return out;
}

}  // namespace quilla::server::library
