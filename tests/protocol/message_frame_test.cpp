#include "protocol/message_frame.h"

#include <gtest/gtest.h>

#include "wire_helpers.h"

namespace quilla::protocol {
namespace {

using testing::RawChunk;
using testing::U32;

TEST(MessageFrameTest, HeaderIsNineteenBytesPlusTheDigits) {
  const std::string body(137, 'b');
  const std::string frame = BuildMessageFrame("0006", body);
  EXPECT_EQ(frame.substr(0, 22), "<Msg0006>137</Msg0006>");
  EXPECT_EQ(frame.substr(22), body);
  EXPECT_EQ(MessageFrameSize(137), 22u + 137u);
  EXPECT_EQ(BuildMessageFrame("0011", ""), "<Msg0011>0</Msg0011>");
  EXPECT_EQ(MessageFrameSize(0), 20u);
}

TEST(MessageFrameTest, FramesAreCutIntoChunksOf8192) {
  struct Case {
    std::size_t frame_size;
    std::vector<std::uint32_t> pieces;
  } cases[] = {
      {1, {1}},
      {8192, {8192}},
      {8193, {8192, 1}},
      {20000, {8192, 8192, 3616}},
  };
  for (const auto& c : cases) {
    std::string frame(c.frame_size, '\0');
    for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<char>(i * 7);
    std::string wire;
    AppendChunks(wire, "0007", frame);

    std::string expected;
    std::size_t offset = 0;
    for (std::uint32_t i = 0; i < c.pieces.size(); ++i) {
      expected += RawChunk("0007", static_cast<std::uint32_t>(c.frame_size), i,
                           std::string_view(frame).substr(offset, c.pieces[i]));
      offset += c.pieces[i];
    }
    EXPECT_EQ(wire, expected) << c.frame_size;
  }
}

TEST(MessageFrameTest, WireMessageIsTheChunkedFrame) {
  for (std::size_t body_size : {0, 8, 8172, 8173, 30000}) {
    const std::string body(body_size, 'q');
    std::string direct, via_frame;
    AppendWireMessage(direct, "0009", body);
    AppendChunks(via_frame, "0009", BuildMessageFrame("0009", body));
    EXPECT_EQ(direct, via_frame) << body_size;
  }
}

TEST(MessageFrameTest, TagSequences) {
  TagCounter server = TagCounter::ForServer();
  std::vector<std::string> tags;
  for (int i = 0; i < 7; ++i) tags.push_back(server.Next());
  EXPECT_EQ(tags, (std::vector<std::string>{"0006", "0007", "0008", "0009", "0005", "0006",
                                            "0007"}));

  TagCounter client = TagCounter::ForClient();
  EXPECT_EQ(client.Next(), "0011");
  EXPECT_EQ(client.Next(), "0012");
  std::string tag;
  for (int i = 13; i <= 9999; ++i) tag = client.Next();
  EXPECT_EQ(tag, "9999");
  EXPECT_EQ(client.Next(), "0010");
  EXPECT_EQ(client.Next(), "0011");
}

TEST(MessageFrameTest, ParsesFramesLaidEndToEnd) {
  const std::string a = BuildMessageFrame("0006", "first");
  const std::string b = BuildMessageFrame("0007", "second");
  struct Case {
    const char* name;
    std::string input;
    std::vector<Body> expected;
  } cases[] = {
      {"one", a, {{"0006", "first"}}},
      {"two in a row", a + b, {{"0006", "first"}, {"0007", "second"}}},
      {"empty body", "<Msg0011>0</Msg0011>", {{"0011", ""}}},
      {"leading zeros are read", "<Msg0006>003</Msg0006>abc", {{"0006", "abc"}}},
      {"bad header after a good frame", a + "junk" + b, {{"0006", "first"}}},
      {"body runs past the end", "<Msg0006>10</Msg0006>short", {}},
      {"not <Msg", "<Msh0006>3</Msg0006>abc", {}},
      {"letters in the length", "<Msg0006>1x</Msg0006>abc", {}},
      {"no length", "<Msg0006></Msg0006>", {}},
      {"closing tag differs", "<Msg0006>3</Msg0007>abc", {}},
      {"nine length digits", "<Msg0006>000000003</Msg0006>abc", {}},
      {"header cut short", "<Msg0006>3</Msg00", {}},
  };
  for (const auto& c : cases) {
    std::vector<Body> out;
    ParseMessageFrames(c.input, out);
    EXPECT_EQ(out, c.expected) << c.name;
  }
}

}  // namespace
}  // namespace quilla::protocol
