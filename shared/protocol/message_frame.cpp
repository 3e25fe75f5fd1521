#include "protocol/message_frame.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace quilla::protocol {
namespace {

constexpr std::string_view kOpen = "<Msg";
constexpr std::string_view kClose = "</Msg";
// The longest length a frame can carry has 8 digits (kMaxFrameBytes = 16777216).
constexpr std::size_t kMaxLengthDigits = 8;

void AppendU32(std::string& out, std::uint32_t v) {
  const char bytes[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                         static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
  out.append(bytes, 4);
}

// "<Msg" T ">" L "</Msg" T ">", written into `buffer`; returns its length.
constexpr std::size_t kHeaderBufferBytes = 64;
std::size_t WriteFrameHeader(char (&buffer)[kHeaderBufferBytes], std::string_view tag,
                             std::size_t body_size) {
  char* p = buffer;
  auto put = [&p](std::string_view s) { p = std::copy(s.begin(), s.end(), p); };
  put(kOpen);
  put(tag.substr(0, 4));
  put(">");
  p = std::to_chars(p, buffer + kHeaderBufferBytes, body_size).ptr;
  put(kClose);
  put(tag.substr(0, 4));
  put(">");
  return static_cast<std::size_t>(p - buffer);
}

// Chunks the concatenation head + tail (a frame held in two pieces) into `out`.
void AppendChunksOf(std::string& out, std::string_view tag, std::string_view head,
                    std::string_view tail) {
  const std::size_t total = head.size() + tail.size();
  out.reserve(out.size() + total + (total / kChunkDataBytes + 1) * kChunkHeaderBytes);
  std::size_t done = 0;
  for (std::uint32_t index = 0; done < total; ++index) {
    const std::size_t n = std::min(kChunkDataBytes, total - done);
    out.append(kChunkMagic).append(tag);
    AppendU32(out, static_cast<std::uint32_t>(total));
    AppendU32(out, index);
    AppendU32(out, static_cast<std::uint32_t>(n));
    // Copy [done, done + n) of head + tail.
    std::size_t from = done, left = n;
    if (from < head.size()) {
      const std::size_t k = std::min(left, head.size() - from);
      out.append(head.substr(from, k));
      from += k;
      left -= k;
    }
    if (left > 0) out.append(tail.substr(from - head.size(), left));
    done += n;
  }
}

bool AllDigits(std::string_view s) {
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

std::string TagCounter::Next() {
  value_ = value_ >= high_ ? low_ : value_ + 1;
  const int v = value_ % 10000;
  return {static_cast<char>('0' + v / 1000), static_cast<char>('0' + v / 100 % 10),
          static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)};
}

std::size_t MessageFrameSize(std::size_t body_size) {
  std::size_t digits = 1;
  for (std::size_t v = body_size; v >= 10; v /= 10) ++digits;
  return 19 + digits + body_size;
}

std::string BuildMessageFrame(std::string_view tag, std::string_view body) {
  char header[kHeaderBufferBytes];
  const std::size_t n = WriteFrameHeader(header, tag, body.size());
  std::string frame;
  frame.reserve(n + body.size());
  frame.append(header, n).append(body);
  return frame;
}

void AppendChunks(std::string& out, std::string_view tag, std::string_view frame) {
  AppendChunksOf(out, tag, frame, {});
}

void AppendWireMessage(std::string& out, std::string_view tag, std::string_view body) {
  char header[kHeaderBufferBytes];
  const std::size_t n = WriteFrameHeader(header, tag, body.size());
  AppendChunksOf(out, tag, std::string_view(header, n), body);
}

void ParseMessageFrames(std::string_view frames, std::vector<Body>& out) {
  std::size_t pos = 0;
  while (pos < frames.size()) {
    const std::string_view rest = frames.substr(pos);
    // "<Msg" T ">" then at least one digit.
    if (rest.size() < 10 || rest.substr(0, 4) != kOpen || rest[8] != '>') return;
    const std::string_view tag = rest.substr(4, 4);
    // The length digits end at the next "<"; look no further than the longest length.
    const std::size_t rel = rest.substr(9, kMaxLengthDigits + 1).find('<');
    if (rel == std::string_view::npos) return;
    const std::size_t lt = 9 + rel;
    const std::string_view digits = rest.substr(9, lt - 9);
    if (digits.empty() || digits.size() > kMaxLengthDigits || !AllDigits(digits)) return;
    std::size_t length = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), length);
    const std::string_view closing = rest.substr(lt);
    if (closing.size() < 10 || closing.substr(0, 5) != kClose || closing.substr(5, 4) != tag ||
        closing[9] != '>') {
      return;
    }
    const std::size_t header = lt + 10;
    if (rest.size() - header < length) return;
    out.push_back(Body{std::string(tag), std::string(rest.substr(header, length))});
    pos += header + length;
  }
}

}  // namespace quilla::protocol
