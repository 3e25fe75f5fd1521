#include "protocol/packet_codec.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace quilla::protocol {
namespace {

void PutU32(char* out, std::uint32_t v) {
  out[0] = static_cast<char>(v & 0xFF);
  out[1] = static_cast<char>((v >> 8) & 0xFF);
  out[2] = static_cast<char>((v >> 16) & 0xFF);
  out[3] = static_cast<char>((v >> 24) & 0xFF);
}

std::uint32_t GetU32(const char* in) {
  const auto* b = reinterpret_cast<const unsigned char*>(in);
  return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
         static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

// Compresses the concatenation of `parts` into a block, so that BuildPacket need not glue
// command, delimiter and payload together in a temporary first.
template <std::size_t N>
std::optional<std::string> CompressParts(const std::string_view (&parts)[N]) {
  std::size_t raw_size = 0;
  for (auto p : parts) raw_size += p.size();
  if (raw_size > kMaxPacketBytes) return std::nullopt;

  std::string out;
  out.resize(kBlockHeaderBytes);
  PutU32(out.data(), kBlockMagic);
  PutU32(out.data() + 4, static_cast<std::uint32_t>(raw_size));
  if (raw_size == 0) return out;

  z_stream zs{};
  if (deflateInit(&zs, Z_DEFAULT_COMPRESSION) != Z_OK) return std::nullopt;
  const uLong bound = deflateBound(&zs, static_cast<uLong>(raw_size));
  out.resize(kBlockHeaderBytes + bound);
  zs.next_out = reinterpret_cast<Bytef*>(out.data() + kBlockHeaderBytes);
  zs.avail_out = static_cast<uInt>(bound);
  int rc = Z_OK;
  for (std::size_t i = 0; i < N && rc == Z_OK; ++i) {
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(parts[i].data()));
    zs.avail_in = static_cast<uInt>(parts[i].size());
    rc = deflate(&zs, i + 1 == N ? Z_FINISH : Z_NO_FLUSH);
    if (i + 1 < N && rc == Z_BUF_ERROR) rc = Z_OK;  // empty part: no progress is fine
  }
  const std::size_t produced = zs.total_out;
  deflateEnd(&zs);
  if (rc != Z_STREAM_END) return std::nullopt;
  out.resize(kBlockHeaderBytes + produced);
  return out;
}

}  // namespace

std::optional<std::string> Compress(std::string_view raw) {
  const std::string_view parts[1] = {raw};
  return CompressParts(parts);
}

std::optional<std::string> Decompress(std::string_view block) {
  if (block.size() < kBlockHeaderBytes || GetU32(block.data()) != kBlockMagic) {
    return std::nullopt;
  }
  const std::size_t stored = GetU32(block.data() + 4);
  if (stored > kMaxPacketBytes) return std::nullopt;
  if (stored == 0) return std::string();

  // The sender's stored length is trusted only as a bound: up to twice of it may come out
  // (never more than kMaxPacketBytes). The buffer starts at the stored length, capped so that
  // a small block claiming a huge length costs little, and grows while real output arrives.
  const std::size_t limit = std::min(2 * stored, kMaxPacketBytes);
  std::string out;
  out.resize(std::min<std::size_t>(stored, 256 * 1024));

  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return std::nullopt;
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.data() + kBlockHeaderBytes));
  zs.avail_in = static_cast<uInt>(block.size() - kBlockHeaderBytes);
  int rc = Z_OK;
  std::size_t produced = 0;
  for (;;) {
    zs.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
    zs.avail_out = static_cast<uInt>(out.size() - produced);
    rc = inflate(&zs, Z_NO_FLUSH);
    produced = out.size() - zs.avail_out;
    if (rc == Z_STREAM_END) break;
    if (rc != Z_OK && rc != Z_BUF_ERROR) break;
    if (zs.avail_out != 0) break;                // input exhausted: the stream is truncated
    if (out.size() >= limit) {
      // Output buffer is full at the limit. A stream that ends exactly here still has its
      // trailer pending; give inflate one more call with no room to finish it.
      zs.avail_out = 0;
      rc = inflate(&zs, Z_NO_FLUSH);
      break;
    }
    out.resize(std::min(limit, out.size() * 2));
  }
  inflateEnd(&zs);
  if (rc != Z_STREAM_END) return std::nullopt;
  out.resize(produced);
  return out;
}

std::string BuildPacket(std::string_view command_gbk, std::string_view payload) {
  const std::string_view parts[3] = {command_gbk, kCommandDelimiter, payload};
  auto block = CompressParts(parts);
  return block ? std::move(*block) : std::string();
}

Packet ParsePacket(std::string_view block) {
  Packet packet;
  auto raw = Decompress(block);
  if (!raw) return packet;
  const std::size_t at = raw->find(kCommandDelimiter);
  if (at == std::string::npos) return packet;
  packet.command.assign(*raw, 0, at);
  packet.payload.assign(*raw, at + kCommandDelimiter.size());
  return packet;
}

}  // namespace quilla::protocol
