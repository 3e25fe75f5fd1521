#pragma once
// Hand-made wire bytes for protocol tests: chunks with any header values, so tests can
// produce the malformed input a real sender never would.

#include <cstdint>
#include <string>
#include <string_view>

namespace quilla::protocol::testing {

inline std::string U32(std::uint32_t v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
          static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
}

// One chunk with the given header fields and data.
inline std::string RawChunk(std::string_view tag, std::uint32_t total, std::uint32_t index,
                            std::string_view data, std::string_view magic = "EMSG") {
  std::string c(magic);
  c.append(tag);
  c += U32(total);
  c += U32(index);
  c += U32(static_cast<std::uint32_t>(data.size()));
  c.append(data);
  return c;
}

}  // namespace quilla::protocol::testing
