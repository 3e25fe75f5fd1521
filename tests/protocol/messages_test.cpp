#include "protocol/messages.h"

#include <gtest/gtest.h>

#include <set>

#include "encoding/gbk.h"
#include "protocol/fields.h"
#include "protocol/packet_codec.h"

namespace quilla::protocol {
namespace {

using encoding::Utf8ToGbk;
const std::string kSep(kFieldSeparator);

// A message built by hand, as a peer with other ideas could send it.
Message Raw(std::string_view command_utf8, std::string_view payload_gbk) {
  return DecodeMessage(BuildPacket(Utf8ToGbk(command_utf8), payload_gbk));
}

TEST(MessagesTest, EveryCommandWordDecodesToItsCommand) {
  std::set<std::string_view> words;
  for (int i = 1; i <= static_cast<int>(Command::kUninstall); ++i) {
    const auto command = static_cast<Command>(i);
    const std::string_view word = CommandWord(command);
    ASSERT_FALSE(word.empty()) << i;
    words.insert(word);
    EXPECT_EQ(Raw(word, "p").command, command) << word;
  }
  EXPECT_EQ(words.size(), 22u);
  EXPECT_EQ(CommandWord(Command::kUnknown), "");
}

TEST(MessagesTest, UnknownOrBrokenMessagesAreUnknown) {
  EXPECT_EQ(Raw("未知命令", "x").command, Command::kUnknown);
  EXPECT_EQ(Raw("用户加入x", "x").command, Command::kUnknown);  // exact match only
  EXPECT_EQ(Raw("", "x").command, Command::kUnknown);
  EXPECT_EQ(DecodeMessage("garbage").command, Command::kUnknown);
  // The command word in UTF-8 instead of GBK is another word.
  EXPECT_EQ(DecodeMessage(BuildPacket("用户加入", "x")).command, Command::kUnknown);
}

TEST(MessagesTest, UserJoinWireBytes) {
  const Packet p = ParsePacket(BuildUserJoin("张三", "192.168.1.20"));
  EXPECT_EQ(p.command, "\xD3\xC3\xBB\xA7\xBC\xD3\xC8\xEB");  // 用户加入
  EXPECT_EQ(p.payload, "\xD5\xC5\xC8\xFD" + kSep + "192.168.1.20");
}

TEST(MessagesTest, BuildersProduceTheirCommandAndPayload) {
  struct Case {
    std::string block;
    Command command;
    std::string payload_gbk;
  } cases[] = {
      {BuildNameChange("李四"), Command::kNameChange, Utf8ToGbk("李四")},
      {BuildClientSkip("Ann"), Command::kClientSkip, "Ann"},
      {BuildVoiceMessage(VoiceMessageText("Ann", "Bob", "你好")), Command::kVoiceMessage,
       Utf8ToGbk("Ann想对Bob说，你好")},
      {BuildRequestInterval("30"), Command::kRequestInterval, "30"},
      {BuildSkipButtonShown(true), Command::kSkipButtonShown, Utf8ToGbk("真")},
      {BuildSkipButtonShown(false), Command::kSkipButtonShown, Utf8ToGbk("假")},
      {BuildQueueEntry("Song - Live", "Ann"), Command::kQueueEntry, "Song - Live-Ann"},
      {BuildSongAdded("Song", "Ann"), Command::kSongAdded, "Song-Ann"},
      {BuildSkipNotice("Ann"), Command::kSkipNotice, Utf8ToGbk("当前歌曲已被 Ann 切掉")},
      {BuildLyricsLine("la la"), Command::kLyricsLine, "la la"},
      {BuildSongTime("01:02 | 03:04"), Command::kSongTime, "01:02 | 03:04"},
      {BuildSongProgress("120"), Command::kSongProgress, "120"},
      {BuildQueueLow(), Command::kQueueLow, Utf8ToGbk("当前点歌目录只剩3首，请点歌！")},
      {BuildSkipAllowed(), Command::kSkipAllowed, std::string(kPlaceholderPayload)},
      {BuildSkipForbidden(), Command::kSkipForbidden, std::string(kPlaceholderPayload)},
      {BuildRequestsForbidden(), Command::kRequestsForbidden, std::string(kPlaceholderPayload)},
      {BuildRequestsAllowed(), Command::kRequestsAllowed, std::string(kPlaceholderPayload)},
      {BuildUninstall(), Command::kUninstall, std::string(kPlaceholderPayload)},
      {BuildRadioSong("T", "S", "http://p"), Command::kRadioSong,
       Utf8ToGbk("系统随机") + kSep + "T" + kSep + "S" + kSep + "http://p"},
  };
  for (const auto& c : cases) {
    const Message m = DecodeMessage(c.block);
    EXPECT_EQ(m.command, c.command) << CommandWord(c.command);
    EXPECT_EQ(m.payload, c.payload_gbk) << CommandWord(c.command);
  }
}

TEST(MessagesTest, FieldParsersRoundTrip) {
  const SongRequest request{"张三", "歌名", "歌手", "http://u", "", "[00:01]词"};
  EXPECT_EQ(ParseRequestSong(DecodeMessage(BuildRequestSong(request))), request);
  // The lyrics field at the end may be empty too: it is still six fields.
  const SongRequest no_lyrics{"Ann", "T", "S", "http://u", "http://c", ""};
  EXPECT_EQ(ParseRequestSong(DecodeMessage(BuildRequestSong(no_lyrics))), no_lyrics);

  EXPECT_EQ(ParseUserJoin(DecodeMessage(BuildUserJoin("Ann", "10.0.0.2"))),
            (UserJoin{"Ann", "10.0.0.2"}));
  // Before the first song the cover is empty; the message still has three fields.
  EXPECT_EQ(ParseFirstState(DecodeMessage(BuildFirstState("", "当前暂无播放歌曲", ""))),
            (FirstState{"", "当前暂无播放歌曲", ""}));
  EXPECT_EQ(ParseSongPlaying(DecodeMessage(BuildSongPlaying("Ann", "T", "S", ""))),
            (NowPlaying{"Ann", "T", "S", ""}));
  EXPECT_EQ(ParseRadioSong(DecodeMessage(BuildRadioSong("T", "S", "http://p"))),
            (NowPlaying{"系统随机", "T", "S", "http://p"}));
  EXPECT_EQ(ParseQueuePair(DecodeMessage(BuildSongAdded("Song - Live", "Ann"))),
            (QueuePair{"Song - Live", "Ann"}));
  EXPECT_EQ(ParseQueuePair(DecodeMessage(BuildQueueEntry("歌", "张三"))), (QueuePair{"歌", "张三"}));
  EXPECT_EQ(ParseSkipButtonShown(DecodeMessage(BuildSkipButtonShown(true))), true);
  EXPECT_EQ(ParseSkipButtonShown(DecodeMessage(BuildSkipButtonShown(false))), false);
}

TEST(MessagesTest, ParsersRefuseOtherCountsAndCommands) {
  const std::string f5 = "a" + kSep + "b" + kSep + "c" + kSep + "d" + kSep + "e";
  EXPECT_FALSE(ParseRequestSong(Raw("点播歌曲", f5)));
  EXPECT_FALSE(ParseRequestSong(Raw("点播歌曲", f5 + kSep + "f" + kSep + "g")));
  EXPECT_TRUE(ParseRequestSong(Raw("点播歌曲", f5 + kSep + "f")));

  // A join with the name only adds no row, but the name is still readable.
  const Message name_only = Raw("用户加入", "Ann");
  EXPECT_FALSE(ParseUserJoin(name_only));
  EXPECT_EQ(FieldsUtf8(name_only), std::vector<std::string>{"Ann"});

  EXPECT_FALSE(ParseFirstState(Raw("首次获取", "a" + kSep + "b")));
  EXPECT_FALSE(ParseSongPlaying(Raw("歌曲播放", "a" + kSep + "b" + kSep + "c")));
  EXPECT_FALSE(ParseRadioSong(Raw("系统随机", "a")));
  EXPECT_FALSE(ParseQueuePair(Raw("歌曲增加", "NoDash")));
  EXPECT_EQ(ParseSkipButtonShown(Raw("切歌按钮显示", "1")), false);
  EXPECT_EQ(ParseSkipButtonShown(Raw("切歌按钮显示", Utf8ToGbk("真真"))), false);

  // Right count, wrong command.
  EXPECT_FALSE(ParseSongPlaying(DecodeMessage(BuildRadioSong("T", "S", "P"))));
  EXPECT_FALSE(ParseQueuePair(DecodeMessage(BuildNameChange("a-b"))));
  EXPECT_FALSE(ParseSkipButtonShown(DecodeMessage(BuildSkipAllowed())));
}

TEST(MessagesTest, PlainTextStopsAtTheFirstZeroByte) {
  EXPECT_EQ(PayloadUtf8(Raw("歌词变更", std::string("\xD6\xD0\0tail", 7))), "中");
  EXPECT_EQ(PayloadUtf8(DecodeMessage(BuildUninstall())), "");
}

}  // namespace
}  // namespace quilla::protocol
