#pragma once
// Wire framing of one transport message:
//
//   MessageFrame = "<Msg" T ">" + L (decimal, no padding) + "</Msg" T ">" + L body bytes
//   chunk        = "EMSG" + T + u32 LE N (frame size) + u32 LE index + u32 LE length
//                  + length bytes of the frame (at most kChunkDataBytes)
//
// T is the four-digit MessageTag. Everything here is pure and thread-safe, except that a
// TagCounter must not be used by two threads at once.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quilla::protocol {

inline constexpr std::string_view kChunkMagic = "EMSG";
inline constexpr std::size_t kChunkHeaderBytes = 20;
inline constexpr std::size_t kChunkDataBytes = 8192;
// Size of one socket read.
inline constexpr std::size_t kReadBlockBytes = 10240;
// Frames with this tag that reach the server are discarded.
inline constexpr std::string_view kServerDiscardTag = "0001";

// The sender's MessageTag sequence. Before each message the counter steps by one and wraps
// from `high` back to `low`; the tag is the counter's last four digits, zero-padded.
//   server, per connection: starts at 5, wraps 9 -> 5: "0006", "0007", "0008", "0009", "0005"
//   client, per transport:  starts at 10, wraps 9999 -> 10: "0011", ... "9999", "0010"
class TagCounter {
 public:
  static TagCounter ForServer() { return TagCounter(5, 5, 9); }
  static TagCounter ForClient() { return TagCounter(10, 10, 9999); }
  // Steps the counter and returns the tag of the next message (4 ASCII digits).
  std::string Next();

 private:
  TagCounter(int start, int low, int high) : value_(start), low_(low), high_(high) {}
  int value_, low_, high_;
};

// In the functions below, `tag` is a MessageTag: exactly 4 ASCII digits.

// The whole MessageFrame (header + body).
std::string BuildMessageFrame(std::string_view tag, std::string_view body);

// Appends `frame` to `out` cut into chunks of at most kChunkDataBytes, each with its
// 20-byte header (index 0, 1, ..., N = frame size). An empty frame appends nothing.
void AppendChunks(std::string& out, std::string_view tag, std::string_view frame);

// Appends the exact bytes that go on the socket for one message: the MessageFrame of
// `body` with `tag`, chunked. Same result as AppendChunks(out, tag, BuildMessageFrame(..))
// without the intermediate copy.
void AppendWireMessage(std::string& out, std::string_view tag, std::string_view body);

// Size of the MessageFrame that carries a body of `body_size` bytes.
std::size_t MessageFrameSize(std::size_t body_size);

// One received body and the tag of the frame that carried it.
struct Body {
  std::string tag;
  std::string data;
  bool operator==(const Body&) const = default;
};

// Reads the MessageFrames laid end to end in `frames` and appends their bodies to `out`.
// Stops at the first header that does not parse ("<Msg" T ">" digits "</Msg" T ">") or
// whose body runs past the end; the rest is ignored.
void ParseMessageFrames(std::string_view frames, std::vector<Body>& out);

}  // namespace quilla::protocol
