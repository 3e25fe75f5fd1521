#include "protocol/packet_codec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "encoding/gbk.h"
#include "wire_helpers.h"

namespace quilla::protocol {
namespace {

using encoding::Utf8ToGbk;
using testing::U32;

std::string ZlibCompress(std::string_view raw, int level = Z_DEFAULT_COMPRESSION) {
  uLongf size = compressBound(raw.size());
  std::string out(size, '\0');
  EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                      reinterpret_cast<const Bytef*>(raw.data()), raw.size(), level),
            Z_OK);
  out.resize(size);
  return out;
}

// A block with an arbitrary stored length around a real zlib stream of `raw`.
std::string BlockWithStoredLength(std::string_view raw, std::uint32_t stored) {
  return U32(kBlockMagic) + U32(stored) + ZlibCompress(raw);
}

TEST(PacketCodecTest, SongProgressBlockIsByteExact) {
  const std::string command = Utf8ToGbk("歌曲进度");
  const std::string block = BuildPacket(command, "120");
  ASSERT_GE(block.size(), 8u);
  EXPECT_EQ(block.substr(0, 4), "\x0D\x0F\x3E\x03");
  EXPECT_EQ(block.substr(4, 4), U32(17));  // 8 command bytes + 6 delimiter bytes + "120"
  // The stream is zlib's one-shot compression at the default level, byte for byte.
  EXPECT_EQ(block.substr(8), ZlibCompress(command + std::string(6, '\x06') + "120"));

  const Packet p = ParsePacket(block);
  EXPECT_EQ(p.command, command);
  EXPECT_EQ(p.payload, "120");
}

TEST(PacketCodecTest, PacketsRoundTrip) {
  std::mt19937 rng(7);
  std::string random_bytes(1 << 20, '\0');
  for (auto& c : random_bytes) c = static_cast<char>(rng());
  struct Case {
    const char* name;
    std::string command, payload;
  } cases[] = {
      {"empty payload", Utf8ToGbk("允许切歌"), ""},
      {"0x06 inside the payload", "cmd", std::string("a\x06\x06\x06\x06\x06\x06\x06z", 9)},
      {"zero bytes", "cmd", std::string("\0\0x\0", 4)},
      {"1 MiB of random bytes", "cmd", random_bytes},
  };
  for (const auto& c : cases) {
    const Packet p = ParsePacket(BuildPacket(c.command, c.payload));
    EXPECT_EQ(p.command, c.command) << c.name;
    EXPECT_EQ(p.payload, c.payload) << c.name;
  }
}

TEST(PacketCodecTest, EmptyInputIsTheHeaderAlone) {
  const auto block = Compress("");
  ASSERT_TRUE(block);
  EXPECT_EQ(*block, U32(kBlockMagic) + U32(0));
  const auto raw = Decompress(*block);
  ASSERT_TRUE(raw);
  EXPECT_EQ(*raw, "");
  EXPECT_EQ(ParsePacket(*block).command, "");  // no delimiter in an empty packet
}

TEST(PacketCodecTest, StoredLengthBoundsTheOutputToTwiceItself) {
  const std::string raw(100, 'x');
  struct Case {
    std::uint32_t stored;
    bool ok;
  } cases[] = {{100, true}, {1000, true}, {50, true}, {49, false}, {1, false}};
  for (const auto& c : cases) {
    const auto out = Decompress(BlockWithStoredLength(raw, c.stored));
    EXPECT_EQ(out.has_value(), c.ok) << c.stored;
    if (out) {
      EXPECT_EQ(*out, raw) << c.stored;  // the real output, whatever was stored
    }
  }
}

TEST(PacketCodecTest, BadBlocksParseToAnEmptyCommand) {
  const std::string good = BuildPacket("cmd", "payload");
  std::string wrong_magic = good;
  wrong_magic[0] = '\x0E';
  std::string corrupt = good;
  corrupt[corrupt.size() - 3] ^= 0x55;
  const struct {
    const char* name;
    std::string block;
  } cases[] = {
      {"empty", ""},
      {"shorter than 8 bytes", good.substr(0, 7)},
      {"header only, non-zero length", good.substr(0, 8)},
      {"wrong magic", wrong_magic},
      {"truncated stream", good.substr(0, good.size() - 5)},
      {"corrupt stream", corrupt},
      {"garbage stream", U32(kBlockMagic) + U32(20) + "not a zlib stream at all"},
      {"no delimiter", *Compress("just a command")},
      {"stored length above the limit",
       BlockWithStoredLength(std::string("cmd\x06\x06\x06\x06\x06\x06", 9), kMaxPacketBytes + 1)},
  };
  for (const auto& c : cases) {
    const Packet p = ParsePacket(c.block);
    EXPECT_EQ(p.command, "") << c.name;
    EXPECT_EQ(p.payload, "") << c.name;
  }
}

TEST(PacketCodecTest, OutputIsCappedAtTheLimit) {
  // Exactly at the limit: accepted.
  const std::string at_limit(kMaxPacketBytes, 'a');
  const auto block = Compress(at_limit);
  ASSERT_TRUE(block);
  const auto out = Decompress(*block);
  ASSERT_TRUE(out);
  EXPECT_EQ(out->size(), kMaxPacketBytes);

  // One byte more cannot be built, and a hand-made block for it (stored length within the
  // limit, so twice the stored length would allow it) is refused on the way in.
  EXPECT_FALSE(Compress(at_limit + "a"));
  EXPECT_EQ(BuildPacket("cmd", at_limit), "");
  EXPECT_FALSE(Decompress(BlockWithStoredLength(at_limit + "a", kMaxPacketBytes)));
}

}  // namespace
}  // namespace quilla::protocol
