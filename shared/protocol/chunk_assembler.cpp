#include "protocol/chunk_assembler.h"

#include "protocol/packet_codec.h"

namespace quilla::protocol {
namespace {

std::uint32_t GetU32(const char* in) {
  const auto* b = reinterpret_cast<const unsigned char*>(in);
  return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
         static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

}  // namespace

std::vector<Body> ChunkAssembler::Feed(std::string_view bytes) {
  std::vector<Body> out;
  if (buffer_.empty()) {
    // Common case: work straight from the caller's bytes and keep only the tail.
    const std::size_t used = Process(bytes, out);
    buffer_.assign(bytes.substr(used));
  } else {
    buffer_.append(bytes);
    const std::size_t used = Process(buffer_, out);
    buffer_.erase(0, used);
  }
  return out;
}

std::size_t ChunkAssembler::Process(std::string_view bytes, std::vector<Body>& out) {
  std::size_t pos = 0;
  while (bytes.size() - pos >= kChunkHeaderBytes) {
    const char* h = bytes.data() + pos;
    const std::uint32_t total = GetU32(h + 8);
    const std::uint32_t index = GetU32(h + 12);
    const std::uint32_t length = GetU32(h + 16);
    const bool sane = std::string_view(h, 4) == kChunkMagic && length >= 1 &&
                      length <= kChunkDataBytes && total <= kMaxFrameBytes && length <= total;
    if (!sane) {
      DropMessage();
      return bytes.size();
    }
    if (bytes.size() - pos < kChunkHeaderBytes + length) break;
    HandlePiece(std::string_view(h + 4, 4), total, index,
                bytes.substr(pos + kChunkHeaderBytes, length), out);
    pos += kChunkHeaderBytes + length;
  }
  return pos;
}

void ChunkAssembler::HandlePiece(std::string_view tag, std::uint32_t total, std::uint32_t index,
                                 std::string_view piece, std::vector<Body>& out) {
  const bool continues = in_message_ && tag == message_tag_ && total == message_total_ &&
                         index == next_index_ && message_.size() + piece.size() <= total;
  if (!continues) {
    DropMessage();
    if (index != 0) return;
    if (piece.size() == total) {  // a whole frame in one chunk: parse it in place
      ParseMessageFrames(piece, out);
      return;
    }
    in_message_ = true;
    message_tag_.assign(tag);
    message_total_ = total;
    next_index_ = 0;
  }
  message_.append(piece);
  ++next_index_;
  if (message_.size() == message_total_) {
    ParseMessageFrames(message_, out);
    DropMessage();
  }
}

void ChunkAssembler::DropMessage() {
  in_message_ = false;
  message_.clear();
  // Give back the memory of a large message instead of keeping it per connection.
  if (message_.capacity() > 64 * 1024) message_.shrink_to_fit();
  next_index_ = 0;
  message_total_ = 0;
}

void ChunkAssembler::DiscardPartial() {
  buffer_.clear();
  buffer_.shrink_to_fit();
  DropMessage();
}

}  // namespace quilla::protocol
