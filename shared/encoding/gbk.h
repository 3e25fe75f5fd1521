#pragma once
// Conversion between the GBK bytes that travel on the wire and sit in the INI files and
// the UTF-8 text that the programs use inside. Convert once, at the edge.

#include <string>
#include <string_view>

namespace quilla::encoding {

// GBK (code page 936) bytes -> UTF-8. Never fails and never truncates: a byte sequence
// that is not valid GBK becomes U+FFFD (one per offending byte) and conversion goes on.
// Thread-safe.
std::string GbkToUtf8(std::string_view gbk);

// UTF-8 -> GBK (code page 936) bytes. A character that GBK cannot hold, and a byte that
// is not valid UTF-8, becomes "?" (the code page's default character), as the Windows
// conversion does. The result is read up to its first zero byte. Thread-safe.
std::string Utf8ToGbk(std::string_view utf8);

}  // namespace quilla::encoding
