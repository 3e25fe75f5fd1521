#include "client/search/json_text.h"

#include <optional>

#include "web/text_helpers.h"

namespace quilla::client {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kTypographicApostrophe = "’";

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

// The character U+0000..U+00FF as UTF-8.
void AppendLatin1(std::string& out, unsigned value) {
  if (value < 0x80) {
    out += static_cast<char>(value);
  } else {
    out += static_cast<char>(0xC0 | (value >> 6));
    out += static_cast<char>(0x80 | (value & 0x3F));
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsOctalDigit(char c) {
  return c >= '0' && c <= '7';
}

// The bytes of the UTF-8 character that starts at body[at].
size_t CharacterLength(std::string_view body, size_t at) {
  size_t end = at + 1;
  while (end < body.size() && (static_cast<unsigned char>(body[end]) & 0xC0) == 0x80) ++end;
  return end - at;
}

// The body of a single-quoted script string literal, evaluated as a script engine reads
// it; std::nullopt where the engine would refuse the literal. CR LF stands for itself.
std::optional<std::string> EvaluateLiteral(std::string_view body) {
  std::string out;
  out.reserve(body.size());
  size_t i = 0;
  while (i < body.size()) {
    if (body.substr(i).starts_with(kCrLf)) {
      out += kCrLf;
      i += 2;
      continue;
    }
    const char c = body[i];
    if (c == '\r' || c == '\n') return std::nullopt;  // a line break ends no literal
    if (c != '\\') {
      // Plain text up to the next backslash or line break (a loop: find_first_of with a
      // set of three would call memchr once per byte).
      size_t next = i + 1;
      while (next < body.size() && body[next] != '\\' && body[next] != '\r' && body[next] != '\n') {
        ++next;
      }
      out.append(body.substr(i, next - i));
      i = next;
      continue;
    }
    if (i + 1 == body.size()) return std::nullopt;  // it would escape the closing quote
    const char e = body[i + 1];
    i += 2;
    switch (e) {
      case 'b':
        out += '\b';
        break;
      case 'f':
        out += '\f';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'v':
        out += '\v';
        break;
      case 'x': {
        const int high = i < body.size() ? HexDigit(body[i]) : -1;
        const int low = i + 1 < body.size() ? HexDigit(body[i + 1]) : -1;
        if (high >= 0 && low >= 0) {
          AppendLatin1(out, static_cast<unsigned>(high * 16 + low));
          i += 2;
        } else {
          out += 'x';
        }
        break;
      }
      case '\r':
        // A backslash before CR LF: the pair stands, the backslash goes.
        if (i < body.size() && body[i] == '\n') {
          out += kCrLf;
          ++i;
          break;
        }
        return std::nullopt;
      case '\n':
        return std::nullopt;
      default:
        if (IsOctalDigit(e)) {
          // Up to three digits while the value stays within one byte (\377).
          unsigned value = static_cast<unsigned>(e - '0');
          const size_t max_more = e <= '3' ? 2 : 1;
          for (size_t n = 0; n < max_more && i < body.size() && IsOctalDigit(body[i]); ++n, ++i) {
            value = value * 8 + static_cast<unsigned>(body[i] - '0');
          }
          AppendLatin1(out, value);
        } else {
          // Any other escaped character is that character.
          const size_t length = CharacterLength(body, i - 1);
          out.append(body.substr(i - 1, length));
          i += length - 1;
        }
        break;
    }
  }
  return out;
}

}  // namespace

std::string DecodeJsonText(std::string_view value) {
  std::string text(value);
  if (text.starts_with('\r') && !text.starts_with(kCrLf)) text.erase(0, 1);
  ReplaceAll(text, "\\u", "%u");
  const std::optional<std::string> literal = EvaluateLiteral(text);
  if (!literal) return std::string(value);
  std::string decoded = web::Unescape(*literal);
  if (const size_t nul = decoded.find('\0'); nul != std::string::npos) decoded.resize(nul);
  if (decoded.empty()) return std::string(value);
  ReplaceAll(decoded, kTypographicApostrophe, "'");
  return decoded;
}

}  // namespace quilla::client
