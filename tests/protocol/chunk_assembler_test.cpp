#include "protocol/chunk_assembler.h"

#include <gtest/gtest.h>

#include "protocol/packet_codec.h"
#include "wire_helpers.h"

namespace quilla::protocol {
namespace {

using testing::RawChunk;

std::string Wire(std::string_view tag, std::string_view body) {
  std::string out;
  AppendWireMessage(out, tag, body);
  return out;
}

// Every `step` bytes of `s` as its own feed.
std::vector<std::string> Pieces(const std::string& s, std::size_t step) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < s.size(); i += step) out.push_back(s.substr(i, step));
  return out;
}

TEST(ChunkAssemblerTest, Table) {
  const std::string small = Wire("0006", "hello");
  const std::string big_body(20000 - MessageFrameSize(0) + 1 - 5, 'B');  // frame of 20000
  ASSERT_EQ(MessageFrameSize(big_body.size()), 20000u);
  const std::string big = Wire("0011", big_body);
  const std::string big_frame = BuildMessageFrame("0011", big_body);
  const std::string limit_body(kMaxFrameBytes - MessageFrameSize(0) - 7, 'L');
  ASSERT_EQ(MessageFrameSize(limit_body.size()), kMaxFrameBytes);
  const std::string two_frames = BuildMessageFrame("0006", "x") + BuildMessageFrame("0006", "y");
  const std::string garbage(40, 'G');

  struct Case {
    const char* name;
    std::vector<std::string> feeds;
    std::vector<Body> expected;
  } cases[] = {
      {"one message, one feed", {small}, {{"0006", "hello"}}},
      {"fragmented byte by byte", Pieces(small, 1), {{"0006", "hello"}}},
      {"two chunks in one read", {small + Wire("0007", "world")},
       {{"0006", "hello"}, {"0007", "world"}}},
      {"coalesced and split mid-header",
       {small + Wire("0007", "world").substr(0, 9), Wire("0007", "world").substr(9)},
       {{"0006", "hello"}, {"0007", "world"}}},
      {"20000-byte frame in three chunks", {big}, {{"0011", big_body}}},
      {"20000-byte frame in odd fragments", Pieces(big, 1000), {{"0011", big_body}}},
      {"empty body", {Wire("0006", "")}, {{"0006", ""}}},
      {"frames laid end to end in one chunk",
       {RawChunk("0006", static_cast<std::uint32_t>(two_frames.size()), 0, two_frames)},
       {{"0006", "x"}, {"0006", "y"}}},
      {"garbage prefix drops the read, next read is fine", {garbage + small, small},
       {{"0006", "hello"}}},
      {"short garbage prefix is read as a header", {"xyz" + small, small}, {{"0006", "hello"}}},
      {"interleaved tag drops the partial message",
       {RawChunk("0011", 20000, 0, big_frame.substr(0, 8192)), small,
        RawChunk("0011", 20000, 1, big_frame.substr(8192, 8192)),
        RawChunk("0011", 20000, 2, big_frame.substr(16384))},
       {{"0006", "hello"}}},
      {"skipped index drops the message",
       {RawChunk("0011", 20000, 0, big_frame.substr(0, 8192)),
        RawChunk("0011", 20000, 2, big_frame.substr(8192, 8192)), small},
       {{"0006", "hello"}}},
      {"restart at index 0 replaces the partial message",
       {RawChunk("0011", 20000, 0, big_frame.substr(0, 8192)), big}, {{"0011", big_body}}},
      {"frame size above the limit", {RawChunk("0006", kMaxFrameBytes + 1, 0, "abc"), small},
       {{"0006", "hello"}}},
      {"piece longer than 8192", {RawChunk("0006", 9000, 0, std::string(8193, 'a')), small},
       {{"0006", "hello"}}},
      {"piece longer than its frame", {RawChunk("0006", 3, 0, "abcd"), small},
       {{"0006", "hello"}}},
      {"empty piece", {RawChunk("0006", 3, 0, ""), small}, {{"0006", "hello"}}},
      {"pieces add up past the frame",
       {RawChunk("0006", 8200, 0, std::string(8192, 'a')), RawChunk("0006", 8200, 1, "123456789"),
        small},
       {{"0006", "hello"}}},
      {"complete chunk sequence with an unparsable frame", {RawChunk("0006", 5, 0, "hello"), small},
       {{"0006", "hello"}}},
      {"reserved tag still comes out (the server drops it)", {Wire("0001", "x")}, {{"0001", "x"}}},
      {"frame exactly at the limit", {Wire("0006", limit_body)}, {{"0006", limit_body}}},
  };
  for (const auto& c : cases) {
    ChunkAssembler assembler;
    std::vector<Body> got;
    for (const auto& feed : c.feeds) {
      for (auto& b : assembler.Feed(feed)) got.push_back(std::move(b));
    }
    ASSERT_EQ(got.size(), c.expected.size()) << c.name;
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].tag, c.expected[i].tag) << c.name;
      EXPECT_TRUE(got[i].data == c.expected[i].data) << c.name << " body " << i;
    }
    EXPECT_FALSE(assembler.HasPartial()) << c.name;
  }
}

TEST(ChunkAssemblerTest, DiscardPartialForgetsAStalledChunk) {
  const std::string wire = Wire("0006", "hello");
  ChunkAssembler assembler;
  EXPECT_TRUE(assembler.Feed(wire.substr(0, 25)).empty());
  EXPECT_TRUE(assembler.HasPartial());
  assembler.DiscardPartial();
  EXPECT_FALSE(assembler.HasPartial());
  // The rest of the stalled chunk is now garbage and is dropped; the next chunk is read.
  EXPECT_TRUE(assembler.Feed(wire.substr(25)).empty());
  const auto bodies = assembler.Feed(wire);
  ASSERT_EQ(bodies.size(), 1u);
  EXPECT_EQ(bodies[0].data, "hello");
}

}  // namespace
}  // namespace quilla::protocol
