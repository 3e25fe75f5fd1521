#include "encoding/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <memory>
#include <stdexcept>

namespace quilla::encoding {
namespace {

// One converter per thread and direction: iconv_t is not thread-safe, and opening one per
// call costs more than the conversion of a short message.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts `in`; on an unconvertible or invalid sequence appends `replacement` and skips
  // `skip(in_ptr, in_left)` bytes of input.
  template <typename Skip>
  std::string Convert(std::string_view in, std::string_view replacement, Skip skip) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
    std::string out;
    out.resize(in.size() * 2 + 16);
    char* in_ptr = const_cast<char*>(in.data());
    size_t in_left = in.size();
    char* out_ptr = out.data();
    size_t out_left = out.size();
    while (in_left > 0) {
      size_t r = iconv(cd_, &in_ptr, &in_left, &out_ptr, &out_left);
      if (r != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) {
        size_t used = out.size() - out_left;
        out.resize(out.size() * 2);
        out_ptr = out.data() + used;
        out_left = out.size() - used;
        continue;
      }
      // EILSEQ or EINVAL (truncated sequence at the end): replace and move on.
      size_t used = out.size() - out_left;
      out.resize(used);
      out.append(replacement);
      size_t n = skip(in_ptr, in_left);
      in_ptr += n;
      in_left -= n;
      used = out.size();
      out.resize(used + in_left * 2 + 16);
      out_ptr = out.data() + used;
      out_left = out.size() - used;
    }
    out.resize(out.size() - out_left);
    return out;
  }

 private:
  iconv_t cd_;
};

size_t SkipOneByte(const char*, size_t) { return 1; }

// Length of the UTF-8 sequence that starts at p (at least 1, at most left).
size_t SkipUtf8Sequence(const char* p, size_t left) {
  unsigned char c = static_cast<unsigned char>(p[0]);
  size_t n = 1;
  if (c >= 0xF0 && c <= 0xF4) n = 4;
  else if (c >= 0xE0) n = 3;
  else if (c >= 0xC2 && c <= 0xDF) n = 2;
  if (n > left) n = left;
  // Only skip continuation bytes that really belong to this sequence.
  for (size_t i = 1; i < n; ++i) {
    if ((static_cast<unsigned char>(p[i]) & 0xC0) != 0x80) return i;
  }
  return n;
}

bool IsAscii(std::string_view s) {
  for (unsigned char c : s) {
    if (c >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
  if (IsAscii(gbk)) return std::string(gbk);
  thread_local Converter converter("UTF-8", "CP936");
  return converter.Convert(gbk, "\xEF\xBF\xBD", SkipOneByte);
}

std::string Utf8ToGbk(std::string_view utf8) {
  std::string_view text = utf8.substr(0, utf8.find('\0'));
  if (IsAscii(text)) return std::string(text);
  thread_local Converter converter("CP936", "UTF-8");
  return converter.Convert(text, "?", SkipUtf8Sequence);
}

}  // namespace quilla::encoding
