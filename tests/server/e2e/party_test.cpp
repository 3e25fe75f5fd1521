// A whole party on loopback: the real headless server with the null audio output, the
// stand-in media host, radio and speech service, and two protocol peers.

#include <gtest/gtest.h>
#include <httplib.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "settings/ini_file.h"
#include "support/protocol_peer.h"
#include "support/server_process.h"
#include "support/stand_in_services.h"
#include "support/temp_dir.h"

namespace quilla::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class PartyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    web_.WriteServerSettings(dir_ / "sys.ini");
    port_ = FreeLoopbackPort();
    ASSERT_TRUE(server_.Start(QUILLA_SERVER_BINARY,
                              {"--headless", "--start", "--port", std::to_string(port_),
                               "--config-dir", dir_.path().string()}));
    ASSERT_TRUE(server_.WaitForLine("服务端启动成功", 10s));
    ASSERT_TRUE(ann_.Connect(port_));
    ASSERT_TRUE(bob_.Connect(port_));
    ASSERT_TRUE(ann_.Join("Ann"));
    ASSERT_FALSE(ann_.WaitFor("首次获取", 5s).command.empty());
    ASSERT_TRUE(bob_.Join("Bob"));
    ASSERT_FALSE(bob_.WaitFor("首次获取", 5s).command.empty());
  }
  void TearDown() override {
    server_.Type("quit");
    server_.Wait(10s);
  }
  void RequestSong(ProtocolPeer& peer, const std::string& requester, const std::string& title,
                   const std::string& file, const std::string& lyrics) {
    protocol::SongRequest r{requester,
                            title,
                            "Singer",
                            web_.Url("/song/" + file + ".wav"),
                            web_.Url("/pic/" + title + ".jpg"),
                            lyrics};
    ASSERT_TRUE(peer.Send(protocol::BuildRequestSong(r)));
  }

  StandInServices web_{ReadBytes(QUILLA_ANNOUNCEMENT_MP3)};
  TempDir dir_{"quilla-party-"};
  int port_ = 0;
  ServerProcess server_;
  ProtocolPeer ann_;
  ProtocolPeer bob_;
};

TEST_F(PartyTest, RequestsPlayInOrderThenTheRadioTakesOver) {
  const auto requested = Clock::now();
  RequestSong(ann_, "Ann", "First", "a", "[00:00.50]开始\r\n[00:01.20]第二句\r\n");
  EXPECT_EQ(bob_.WaitFor("歌曲增加", 5s).payload, "First-Ann");
  const Received started = bob_.WaitFor("歌曲播放", 5s);
  ASSERT_EQ(started.payload, "Anng【*】cFirstg【*】cSingerg【*】c" + web_.Url("/pic/First.jpg"));
  EXPECT_LT(started.at - requested, 3500ms);

  // Progress and time, about ten times a second each.
  std::this_thread::sleep_for(1500ms);
  const auto progress = bob_.MessagesOf("歌曲进度");
  const auto times = bob_.MessagesOf("歌曲时间");
  ASSERT_GE(progress.size(), 8u);
  const auto span = progress.back().at - progress.front().at;
  const double per_second = (progress.size() - 1) / std::chrono::duration<double>(span).count();
  EXPECT_GT(per_second, 7.0);
  EXPECT_LT(per_second, 13.0);
  EXPECT_EQ(times.size(), progress.size());
  EXPECT_EQ(times.back().payload.substr(times.back().payload.size() - 5), "00:03");
  // The lyrics line of second 1 arrives during that second.
  const Received line = bob_.WaitFor("歌词变更", 2s, "第二句");
  ASSERT_FALSE(line.command.empty());
  EXPECT_GE(line.at - started.at, 900ms);

  // The second request starts when the first ends, announced to everyone.
  RequestSong(bob_, "Bob", "Second", "b", "[00:01.00]x");
  const Received second = ann_.WaitFor("歌曲播放", 6s, "Second");
  ASSERT_FALSE(second.command.empty());
  EXPECT_GT(second.at - started.at, 2s);
  EXPECT_LT(second.at - started.at, 4s);

  // With "随机播放" ticked the radio follows the empty queue.
  server_.Type("random on");
  const Received radio = ann_.WaitFor("系统随机", 8s);
  ASSERT_EQ(radio.payload, "系统随机g【*】cRadio 101g【*】cDJg【*】c" + web_.Url("/pic/101.jpg"));
  EXPECT_GT(radio.at - second.at, 2s);
  EXPECT_FALSE(ann_.WaitFor("歌词变更", 3s, "电台第一句").command.empty());
}

TEST_F(PartyTest, AClientSkipsToTheNextRequest) {
  RequestSong(ann_, "Ann", "Long", "long", "[00:00.50]x");
  RequestSong(ann_, "Ann", "Next", "a", "[00:00.50]y");
  ASSERT_FALSE(bob_.WaitFor("歌曲播放", 5s, "Long").command.empty());
  std::this_thread::sleep_for(500ms);
  ASSERT_TRUE(bob_.Send(protocol::BuildClientSkip("Bob")));
  EXPECT_EQ(ann_.WaitFor("切歌提示", 5s).payload, "当前歌曲已被 Bob 切掉");
  EXPECT_FALSE(ann_.WaitFor("歌曲播放", 5s, "Next").command.empty());
  server_.Type("queue");
  server_.Type("users");
  EXPECT_TRUE(server_.WaitForLine("\tBob\t", 5s));
}

TEST_F(PartyTest, SongsAndMessagesAreSpokenThroughTheSpeechService) {
  server_.Type("voice on");
  server_.Type("voice-select 3");
  RequestSong(ann_, "Ann", "晴天", "a", "[00:01.00]x");
  ASSERT_FALSE(bob_.WaitFor("歌曲播放", 5s).command.empty());
  EXPECT_TRUE(web_.WaitForSpoken("即将播放的歌曲来自 Ann 点播的晴天|tok-42|3", 5s));
  server_.Type("say 大家好");
  EXPECT_TRUE(web_.WaitForSpoken("大家好|tok-42|3", 5s));
  // A client's message is spoken even with the switch off.
  server_.Type("voice off");
  ASSERT_TRUE(bob_.Send(protocol::BuildVoiceMessage("Bob想对Ann说，生日快乐")));
  EXPECT_TRUE(web_.WaitForSpoken("Bob想对Ann说，生日快乐|tok-42|3", 5s));
  server_.Type("say 不该说");
  EXPECT_TRUE(server_.WaitForLine("语音播报未开启", 5s));
}

}  // namespace
}  // namespace quilla::testing
