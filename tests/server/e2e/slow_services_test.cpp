// The real headless server while the radio service, the speech service and the media host
// all keep it waiting (each answer is held until the test lets it go, as an answer that
// takes eight seconds would be): the engine goes on serving everybody, and the slow songs
// start with their messages in order. The figures are printed; the limits asserted here
// are generous, for a loaded machine.

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

#include "support/protocol_peer.h"
#include "support/server_process.h"
#include "support/stand_in_services.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"

namespace quilla::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Kind = StandInServices::Kind;

double Millis(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

class SlowServicesPartyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    web_.WriteServerSettings(dir_ / "sys.ini");
    for (Kind kind : {Kind::kMedia, Kind::kRadio, Kind::kSpeech}) web_.Hold(kind);
    port_ = FreeLoopbackPort();
    ASSERT_TRUE(server_.Start(QUILLA_SERVER_BINARY,
                              {"--headless", "--start", "--port", std::to_string(port_),
                               "--config-dir", dir_.path().string()}));
    // The start does not wait for the radio list, which the service holds.
    ASSERT_TRUE(server_.WaitForLine("服务端启动成功", 10s));
    ASSERT_TRUE(web_.WaitForArrivals(Kind::kRadio, 1, 10s));
  }
  void TearDown() override {
    server_.Type("quit");
    EXPECT_EQ(server_.Wait(10s), 0);
  }

  // A console line's round trip through the engine thread: an unknown command's answer.
  Clock::duration ConsoleRoundTrip() {
    const std::string word = "probe-" + std::to_string(++probes_);
    const auto typed = Clock::now();
    server_.Type(word);
    EXPECT_TRUE(server_.WaitForLine("未知命令：" + word, 10s));
    return Clock::now() - typed;
  }
  // From a peer's join until the last fixed message of its join state (the queue's rows
  // follow it).
  Clock::duration JoinLatency(ProtocolPeer& peer, const std::string& name) {
    EXPECT_TRUE(peer.Connect(port_));
    const auto joined = Clock::now();
    EXPECT_TRUE(peer.Join(name));
    const Received last = peer.WaitFor("切歌按钮显示", 10s);
    EXPECT_FALSE(last.command.empty()) << name;
    return last.at - joined;
  }
  void Note(const std::string& what, Clock::duration d) {
    std::cout << "[ figure ] " << what << ": " << Millis(d) << " ms\n";
    worst_ = std::max(worst_, d);
  }

  StandInServices web_{ReadBytes(QUILLA_ANNOUNCEMENT_MP3)};
  TempDir dir_{"quilla-slow-"};
  int port_ = 0;
  int probes_ = 0;
  Clock::duration worst_{};
  ServerProcess server_;
};

TEST_F(SlowServicesPartyTest, EveryoneIsServedWhileTheServicesHoldTheirAnswers) {
  // The radio list is held. A listener joins and the operator types.
  ProtocolPeer ann;
  Note("join state while the radio list is held", JoinLatency(ann, "Ann"));
  Note("console while the radio list is held", ConsoleRoundTrip());
  server_.Type("voice on");

  // A request whose media host holds the song: the start is under way, nobody waits.
  protocol::SongRequest first{"Ann",
                              "First",
                              "Singer",
                              web_.Url("/song/a.wav"),
                              web_.Url("/pic/First.jpg"),
                              "[00:01.00]第一句"};
  ASSERT_TRUE(ann.Send(protocol::BuildRequestSong(first)));
  ASSERT_TRUE(web_.WaitForArrivals(Kind::kMedia, 1, 10s));
  ProtocolPeer bob;
  Note("join state while the song is being opened", JoinLatency(bob, "Bob"));
  EXPECT_EQ(bob.WaitFor("当前点歌列表", 10s).payload, "First-Ann") << "the row waits in the queue";
  Note("console while the song is being opened", ConsoleRoundTrip());
  EXPECT_TRUE(ann.MessagesOf("歌曲播放").empty()) << "not announced before it has opened";

  // The media host answers; the speech service still holds the announcement.
  web_.Release(Kind::kMedia);
  const Received started = ann.WaitFor("歌曲播放", 10s);
  ASSERT_EQ(started.payload, "Anng【*】cFirstg【*】cSingerg【*】c" + web_.Url("/pic/First.jpg"));
  ASSERT_TRUE(web_.WaitForArrivals(Kind::kSpeech, 1, 10s));

  // The progress ticks of the playing song keep coming, about ten a second.
  auto ticks_since = [&](Clock::time_point from) {
    std::vector<Clock::time_point> at;
    for (const auto& m : ann.MessagesOf("歌曲进度")) {
      if (m.at >= from) at.push_back(m.at);
    }
    return at;
  };
  ASSERT_TRUE(WaitUntil([&] { return ticks_since(started.at).size() >= 16; }, 10s));
  const auto ticks = ticks_since(started.at);
  Clock::duration longest{};
  for (std::size_t i = 1; i < ticks.size(); ++i)
    longest = std::max(longest, ticks[i] - ticks[i - 1]);
  const double per_second =
      (ticks.size() - 1) / std::chrono::duration<double>(ticks.back() - ticks.front()).count();
  std::cout << "[ figure ] progress ticks while speech and radio are held: " << per_second
            << " per second, longest gap " << Millis(longest) << " ms\n";
  EXPECT_GT(per_second, 5.0);
  EXPECT_LT(per_second, 20.0);
  EXPECT_LT(longest, 1s);
  Note("console while the song plays", ConsoleRoundTrip());

  // The song ends; the radio song that falls due waits for the held list, and still
  // nobody waits.
  server_.Type("random on");
  ASSERT_FALSE(ann.WaitFor("歌曲时间", 10s, "00:03 | 00:03").command.empty());
  Note("console while the radio song waits for the list", ConsoleRoundTrip());
  ProtocolPeer cy;
  Note("join state while the radio song waits for the list", JoinLatency(cy, "Cy"));
  EXPECT_TRUE(ann.MessagesOf("系统随机").empty());

  // The radio service answers: the radio song starts, in the order of the messages.
  web_.Release(Kind::kRadio);
  const Received radio = ann.WaitFor("系统随机", 10s);
  ASSERT_EQ(radio.payload, "系统随机g【*】cRadio 101g【*】cDJg【*】c" + web_.Url("/pic/101.jpg"));
  ASSERT_FALSE(ann.WaitFor("歌词变更", 10s, "电台第一句").command.empty());
  std::vector<std::string> order;
  for (const auto& m : ann.Messages()) {
    if (m.command == "歌曲播放" || m.command == "系统随机" ||
        (m.command == "歌词变更" && m.payload.find("电台") != std::string::npos)) {
      if (order.empty() || order.back() != m.command) order.push_back(m.command);
    }
  }
  EXPECT_EQ(order, (std::vector<std::string>{"歌曲播放", "系统随机", "歌词变更"}));

  // The speech service answers at last: both announcements, in the order they were asked.
  web_.Release(Kind::kSpeech);
  EXPECT_TRUE(web_.WaitForSpoken("即将播放的歌曲来自系统随机点播的Radio 101|tok-42|0", 10s));
  const auto spoken = web_.Spoken();
  ASSERT_GE(spoken.size(), 2u);
  EXPECT_EQ(spoken[0], "即将播放的歌曲来自 Ann 点播的First|tok-42|0");
  EXPECT_EQ(spoken[1], "即将播放的歌曲来自系统随机点播的Radio 101|tok-42|0");

  std::cout << "[ figure ] slowest join state or console answer: " << Millis(worst_) << " ms\n";
  EXPECT_LT(worst_, 1s);
}

TEST_F(SlowServicesPartyTest, ASkipWhileASlowSongOpensStartsTheNextAndLeavesNoTraceOfIt) {
  web_.Release(Kind::kMedia);
  web_.Release(Kind::kSpeech);
  web_.HoldSong("slow");
  server_.Type("voice on");
  ProtocolPeer ann;
  ASSERT_TRUE(ann.Connect(port_));
  ASSERT_TRUE(ann.Join("Ann"));
  // "next" lasts 20 s ("long"), so that "slow" does not come round again during the test.
  for (const auto& [name, file] : {std::pair{"slow", "slow"}, std::pair{"next", "long"}}) {
    protocol::SongRequest r{"Ann",
                            name,
                            "Singer",
                            web_.Url(std::string("/song/") + file + ".wav"),
                            web_.Url("/pic/x.jpg"),
                            "[00:01.00]x"};
    ASSERT_TRUE(ann.Send(protocol::BuildRequestSong(r)));
  }
  ASSERT_TRUE(web_.WaitForSongArrivals("slow", 1, 10s));
  server_.Type("skip");
  const Received next = ann.WaitFor("歌曲播放", 10s);
  EXPECT_NE(next.payload.find("next"), std::string::npos) << next.payload;

  // The slow host answers late. A while of the next song later (ten more ticks), nothing of
  // the superseded song has been announced, broadcast or spoken.
  web_.ReleaseSong("slow");
  const auto ticks_after = [&] {
    std::size_t n = 0;
    for (const auto& m : ann.MessagesOf("歌曲进度")) n += m.at > next.at;
    return n;
  };
  ASSERT_TRUE(WaitUntil([&] { return ticks_after() >= 10; }, 10s));
  ASSERT_TRUE(web_.WaitForSpoken("即将播放的歌曲来自 Ann 点播的next|tok-42|0", 10s));
  EXPECT_EQ(ann.MessagesOf("歌曲播放").size(), 1u);
  for (const auto& s : web_.Spoken()) EXPECT_EQ(s.find("slow"), std::string::npos) << s;
}

}  // namespace
}  // namespace quilla::testing
