#pragma once
// The Packet and its CompressedBlock: what one message between server and client carries.
//
//   Packet          = command (GBK bytes) + 06 06 06 06 06 06 + payload (raw bytes)
//   CompressedBlock = u32 LE magic 0x033E0F0D + u32 LE length of the Packet + zlib stream
//
// Every function here is pure and thread-safe; none of them throws.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quilla::protocol {

// First four bytes of every CompressedBlock (stored little-endian: 0D 0F 3E 03).
inline constexpr std::uint32_t kBlockMagic = 0x033E0F0D;
// magic + stored raw length.
inline constexpr std::size_t kBlockHeaderBytes = 8;
// Separates the command word from the payload inside a Packet.
inline constexpr std::string_view kCommandDelimiter{"\x06\x06\x06\x06\x06\x06", 6};

// Upper bound on anything a peer can make us hold for one message: a whole MessageFrame
// (header + body) and the uncompressed Packet. Anything larger is refused before memory
// is allocated for it, so a peer cannot make either program allocate without limit.
inline constexpr std::size_t kMaxFrameBytes = 16u * 1024u * 1024u;
inline constexpr std::size_t kMaxPacketBytes = 16u * 1024u * 1024u;

// Compresses `raw` into a CompressedBlock with zlib's default level. An empty input gives
// the 8-byte header alone with length 0. Returns std::nullopt when `raw` is longer than
// kMaxPacketBytes (the peer would refuse it) or zlib fails.
std::optional<std::string> Compress(std::string_view raw);

// Inverse of Compress. Fails (std::nullopt) when the block is shorter than 8 bytes, has
// another magic, stores a length above kMaxPacketBytes, or its zlib stream does not end
// within min(2 x stored length, kMaxPacketBytes) bytes of output (error, truncation or too
// much output). A stored length of 0 gives an empty string. On success the result is
// exactly what the stream produced; the stored length is only an upper-bound hint.
// Memory grows with the real output, not with the stored length.
std::optional<std::string> Decompress(std::string_view block);

// CompressedBlock of command_gbk + kCommandDelimiter + payload. Empty on failure (too long
// or zlib error); the transports refuse to send empty data.
std::string BuildPacket(std::string_view command_gbk, std::string_view payload);

struct Packet {
  std::string command;  // GBK bytes of the command word
  std::string payload;  // raw payload bytes after the delimiter, possibly empty
};

// Decompresses `block` and splits it at the FIRST kCommandDelimiter (a payload may contain
// 0x06 bytes of its own). Any failure (bad block, no delimiter) gives an empty command,
// which no dispatcher matches.
Packet ParsePacket(std::string_view block);

}  // namespace quilla::protocol
