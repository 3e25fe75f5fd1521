// libFuzzer target for everything that reads bytes from a peer: ParsePacket and the
// message catalogue's parsers, the chunk assembler and frame parser, and field splitting.
// The first input byte picks the entry point, so one corpus covers all of them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/chunk_assembler.h"
#include "protocol/fields.h"
#include "protocol/message_frame.h"
#include "protocol/messages.h"
#include "protocol/packet_codec.h"

namespace {

using namespace quilla::protocol;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void ParseEverything(const Message& m) {
  ParseUserJoin(m);
  ParseRequestSong(m);
  ParseFirstState(m);
  ParseSongPlaying(m);
  ParseRadioSong(m);
  ParseQueuePair(m);
  ParseSkipButtonShown(m);
  PayloadUtf8(m);
  FieldsUtf8(m);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 4) {
    case 0: {  // a CompressedBlock as it arrives
      const Packet p = ParsePacket(rest);
      Check(p.command.size() + p.payload.size() <= kMaxPacketBytes);
      ParseEverything(DecodeMessage(rest));
      break;
    }
    case 1: {  // a well-compressed Packet: reach the command and payload parsers
      const auto block = Compress(rest);
      Check(block.has_value());
      const auto raw = Decompress(*block);
      Check(raw && *raw == rest);
      ParseEverything(DecodeMessage(*block));
      break;
    }
    case 2: {  // a byte stream from a socket, read in pieces of a size the input picks
      if (rest.empty()) break;
      const std::size_t step = static_cast<unsigned char>(rest[0]) % 64 + 1;
      const std::string_view stream = rest.substr(1);
      ChunkAssembler assembler;
      for (std::size_t i = 0; i < stream.size(); i += step) {
        for (const Body& b : assembler.Feed(stream.substr(i, step))) {
          Check(b.tag.size() == 4);
          Check(b.data.size() <= kMaxFrameBytes);
        }
      }
      std::vector<Body> bodies;
      ParseMessageFrames(stream, bodies);
      break;
    }
    case 3: {  // payload texts
      const auto fields = SplitFields(rest);
      Check(rest.empty() == fields.empty());
      Check(JoinFields(fields) == rest);  // splitting loses nothing
      const auto pair = SplitDashPair(rest);
      if (pair) Check(JoinDashPair(pair->first, pair->second) == rest);
      Check(PayloadText(rest).size() <= rest.size());
      break;
    }
  }
  return 0;
}
