#pragma once
// Turns the bytes read from one connection back into message bodies. Pure and incremental:
// no socket, no clock, no thread. One assembler per connection; not thread-safe.
//
// Rules:
// - A chunk header is read once 20 bytes are buffered. If it does not start with "EMSG",
//   or its lengths are impossible (piece length 0 or above 8192, frame size 0 or above
//   kMaxFrameBytes, piece longer than the frame), every buffered byte is dropped: the
//   stream resynchronises at the start of a later read. Nothing is allocated for such a
//   header.
// - A piece with the current message's tag, frame size and the next index continues the
//   message. Any other piece drops the partial message; it starts a new one if its index
//   is 0 and is dropped otherwise (a frame cannot be read from its middle).
// - When the pieces add up to the frame size, the frame is parsed (ParseMessageFrames)
//   and its bodies come out of Feed. A message whose pieces would exceed the frame size
//   is dropped.
// Memory: the buffered tail is below one chunk; a partial message grows with the bytes
// actually received and never beyond kMaxFrameBytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/message_frame.h"

namespace quilla::protocol {

class ChunkAssembler {
 public:
  // Consumes `bytes` (any split of the stream) and returns the bodies completed by them,
  // in stream order.
  std::vector<Body> Feed(std::string_view bytes);

  // True while an incomplete chunk is buffered or a message is waiting for more pieces.
  bool HasPartial() const { return !buffer_.empty() || in_message_; }
  // Forgets the incomplete chunk and message (after the peer has gone silent mid-message).
  void DiscardPartial();

 private:
  // Handles the chunks at the front of `bytes`; returns how many bytes were consumed
  // (all of them when they had to be dropped).
  std::size_t Process(std::string_view bytes, std::vector<Body>& out);
  void HandlePiece(std::string_view tag, std::uint32_t total, std::uint32_t index,
                   std::string_view piece, std::vector<Body>& out);
  void DropMessage();

  std::string buffer_;  // bytes of an incomplete chunk
  bool in_message_ = false;
  std::string message_tag_;
  std::uint32_t message_total_ = 0;
  std::uint32_t next_index_ = 0;
  std::string message_;  // pieces received so far
};

}  // namespace quilla::protocol
