// The packet handler and the OnlineUserList: joins, renames, departures and the operator's
// tools, with a recording outbox in place of the transport.

#include <gtest/gtest.h>

#include <unistd.h>

#include "protocol/fields.h"
#include "settings/ini_file.h"
#include "server/fakes/engine_fixture.h"

namespace quilla::server::testing {
namespace {

using Commands = std::vector<std::string>;

class OnlineUsersTest : public EngineFixture {};

TEST_F(OnlineUsersTest, EveryJoinSendsTheWholeStateToEveryListedUserInOrder) {
  Join(11, "Ann");
  Join(12, "Bob");
  Request(11, "Ann", "One");
  Request(11, "Ann", "Two");
  Request(12, "Bob", "Three");
  outbox.sent.clear();

  Join(13, "Cy");

  ASSERT_EQ(outbox.sent.size(), 18u);
  const Commands join_sequence = {"首次获取", "时间间隔", "切歌按钮显示",
                                  "当前点歌列表", "当前点歌列表", "当前点歌列表"};
  // Rows from the top: the users already online first, the newcomer last.
  for (int i = 0; i < 3; ++i) {
    const ClientHandle handle = 11 + i;
    for (int j = 0; j < 6; ++j) {
      EXPECT_EQ(outbox.sent[i * 6 + j].handle, handle) << i << "," << j;
      EXPECT_EQ(outbox.sent[i * 6 + j].command, join_sequence[j]);
    }
  }
  EXPECT_EQ(outbox.sent[0].payload, "g【*】c当前暂无播放歌曲g【*】c");
  EXPECT_EQ(outbox.sent[1].payload, "1");
  EXPECT_EQ(outbox.sent[2].payload, "假");
  EXPECT_EQ(outbox.sent[3].payload, "One-Ann");
  EXPECT_EQ(outbox.sent[5].payload, "Three-Bob");
  EXPECT_NE(observer.JoinedLog().find("\r\nCy登陆点歌"), std::string::npos);

  ASSERT_EQ(engine->users().size(), 3u);
  const OnlineUser& cy = engine->users()[2];
  EXPECT_EQ(cy.name, "Cy");
  EXPECT_EQ(cy.ip, "10.0.0.2");
  EXPECT_EQ(cy.handle, 13);
  EXPECT_EQ(cy.login_time, "2024-3-5 9:7:3");
  EXPECT_EQ(cy.state, "正常点歌");
}

TEST_F(OnlineUsersTest, MalformedJoinsAddNoRowButStillSendTheState) {
  Join(11, "Ann");
  outbox.sent.clear();
  observer.log.clear();

  // A join with the name only: logged, the listed users get the state, no row.
  engine->OnData(12, protocol::BuildPacket(encoding::Utf8ToGbk("用户加入"), "Solo"));
  EXPECT_EQ(observer.JoinedLog(), "\r\nSolo登陆点歌");
  EXPECT_EQ(outbox.CommandsTo(11), (Commands{"首次获取", "时间间隔", "切歌按钮显示"}));
  EXPECT_TRUE(outbox.CommandsTo(12).empty());
  EXPECT_EQ(engine->users().size(), 1u);

  // An empty join names nobody: no row and no log line, but the state goes out as for
  // any other malformed join.
  outbox.sent.clear();
  observer.log.clear();
  engine->OnData(12, protocol::BuildPacket(encoding::Utf8ToGbk("用户加入"), ""));
  EXPECT_TRUE(observer.log.empty());
  EXPECT_EQ(outbox.CommandsTo(11), (Commands{"首次获取", "时间间隔", "切歌按钮显示"}));
  EXPECT_EQ(engine->users().size(), 1u);
}

TEST_F(OnlineUsersTest, SecondJoinOnOneConnectionAddsNoRowButResendsTheState) {
  Join(11, "Ann");
  Join(12, "Bob");
  outbox.sent.clear();
  Join(12, "Bob again");
  EXPECT_EQ(engine->users().size(), 2u);
  EXPECT_EQ(engine->users()[1].name, "Bob");
  EXPECT_EQ(outbox.sent.size(), 6u);
}

TEST_F(OnlineUsersTest, RenameAndDepartureUseTheNewName) {
  Join(11, "Ann");
  engine->OnData(11, protocol::BuildNameChange("Annie"));
  EXPECT_EQ(engine->users()[0].name, "Annie");
  observer.log.clear();
  outbox.sent.clear();
  engine->OnClosed(11);
  EXPECT_EQ(observer.JoinedLog(), "\r\nAnnie离开了");
  EXPECT_TRUE(engine->users().empty());
  EXPECT_TRUE(outbox.sent.empty());
}

TEST_F(OnlineUsersTest, EventsForUnknownHandlesChangeNothing) {
  Join(11, "Ann");
  observer.log.clear();
  engine->OnClosed(99);
  engine->OnData(99, protocol::BuildNameChange("Ghost"));
  engine->OnData(11, "garbage that is no packet");
  engine->OnData(11, protocol::BuildPacket(encoding::Utf8ToGbk("不存在的命令"), "x"));
  EXPECT_TRUE(observer.log.empty());
  ASSERT_EQ(engine->users().size(), 1u);
  EXPECT_EQ(engine->users()[0].name, "Ann");
}

TEST_F(OnlineUsersTest, KickBanAndUnbanTalkToTheOneUser) {
  Join(11, "Ann");
  Join(12, "Bob");
  outbox.sent.clear();

  EXPECT_TRUE(engine->Kick(12));
  EXPECT_TRUE(engine->Ban(11));
  EXPECT_EQ(engine->users()[0].state, "禁止点歌");
  EXPECT_TRUE(engine->Unban(11));
  EXPECT_EQ(engine->users()[0].state, "正常点歌");
  EXPECT_FALSE(engine->Kick(99));

  const std::vector<SentMessage> expected = {
      {12, "卸载", ""}, {11, "禁止点歌", ""}, {11, "正常点歌", ""}};
  EXPECT_EQ(outbox.sent, expected);
  // A kick leaves the row to the closed connection.
  EXPECT_EQ(engine->users().size(), 2u);

  // A ban of a user whose connection is already gone still marks the row.
  outbox.closed[11] = true;
  EXPECT_TRUE(engine->Ban(11));
  EXPECT_EQ(engine->users()[0].state, "禁止点歌");
}

TEST_F(OnlineUsersTest, SkipPermissionAndIntervalAreBroadcastOnEveryChange) {
  Join(11, "Ann");
  Join(12, "Bob");
  outbox.sent.clear();
  for (bool ticked : {true, false, true, false}) engine->SetAllowSkip(ticked);
  const Commands toggles = {"允许切歌", "禁止切歌", "允许切歌", "禁止切歌"};
  EXPECT_EQ(outbox.CommandsTo(11), toggles);
  EXPECT_EQ(outbox.CommandsTo(12), toggles);

  outbox.sent.clear();
  for (const char* text : {"3", "30", "3", ""}) engine->SetIntervalText(text);
  std::vector<std::string> payloads;
  for (const auto& m : outbox.sent) {
    EXPECT_EQ(m.command, "时间间隔");
    if (m.handle == 12) payloads.push_back(m.payload);
  }
  EXPECT_EQ(payloads, (std::vector<std::string>{"3", "30", "3", ""}));
}

TEST_F(OnlineUsersTest, ClientSkipSkipsThenTellsEveryoneAndTheBanner) {
  Join(11, "Ann");
  outbox.sent.clear();
  engine->OnData(11, protocol::BuildClientSkip("Ann"));
  ASSERT_EQ(outbox.sent.size(), 1u);
  EXPECT_EQ(outbox.sent[0].command, "切歌提示");
  EXPECT_EQ(outbox.sent[0].payload, "当前歌曲已被 Ann 切掉");
  EXPECT_EQ(engine->now_playing().banner, "当前歌曲已被 Ann 切掉");
}

TEST_F(OnlineUsersTest, VoiceMessagesAreSpokenWhateverTheSwitchSays) {
  engine->SelectVoice(2);
  engine->OnData(11, protocol::BuildVoiceMessage("Ann想对Bob说，你好"));
  ASSERT_EQ(speaker.spoken.size(), 1u);
  EXPECT_EQ(speaker.spoken[0], std::make_pair(std::string("Ann想对Bob说，你好"), 2));
  // The operator's voice window only speaks while the switch is on.
  EXPECT_FALSE(engine->SendVoice("hello"));
  engine->SetVoiceEnabled(true);
  EXPECT_TRUE(engine->SendVoice("hello"));
  EXPECT_EQ(speaker.spoken.size(), 2u);
}

TEST_F(OnlineUsersTest, StartAndStopWriteTheLogAndStopRemovesEveryUser) {
  radio.lists["public_tuijian_rege"] = {{"1", "2"}};
  engine->Create(std::filesystem::path("/nonexistent/sys.ini"), "192.168.1.5");
  engine->StartServer();
  EXPECT_EQ(listener.last_port, 800);
  EXPECT_TRUE(engine->controls().running);
  EXPECT_EQ(player.init_calls, 1);
  EXPECT_EQ(engine->radio_channel(), "public_tuijian_rege");
  EXPECT_EQ(engine->radio_song_ids(), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(engine->radio_cursor(), 1);
  Join(11, "Ann");
  Join(12, "Bob");
  engine->StopServer();
  EXPECT_TRUE(engine->users().empty());
  EXPECT_FALSE(engine->controls().running);
  EXPECT_EQ(observer.JoinedLog(),
            "==Quilla服务端V3.7=="
            "\r\n\r\n服务端启动中...."
            "\r\n服务端启动成功\r\n"
            "\r\n音乐系统开启中....\r\n"
            "音乐系统初始化成功\r\n"
            "\r\nAnn登陆点歌"
            "\r\nBob登陆点歌"
            "\r\n\r\n服务端停止中...."
            "\r\nAnn离开了"
            "\r\nBob离开了"
            "\r\n服务端已停止\r\n"
            "\r\n关闭音乐系统中....\r\n"
            "音乐系统已关闭\r\n");
  for (int t = 0; t < kTimerCount; ++t) EXPECT_EQ(Period(static_cast<TimerId>(t)), 0);
}

TEST_F(OnlineUsersTest, FailedStartLogsTheFailureAndItsReason) {
  listener.fail_reason = "端口 800 已被占用";
  engine->StartServer();
  EXPECT_FALSE(engine->controls().running);
  EXPECT_EQ(observer.JoinedLog(),
            "\r\n\r\n服务端启动中....\r\n服务端启动失败！！！\r\n端口 800 已被占用\r\n");
}

TEST_F(OnlineUsersTest, SettingsAreReadAtCreationAndWrittenAtExit) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("quilla-engine-settings-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const auto ini = dir / "sys.ini";
  settings::WriteProfileString(ini, "Wind", "时间间隔", "45");
  settings::WriteProfileString(ini, "Wind", "是否选中", "真");
  engine->Create(ini, "192.168.1.5");
  EXPECT_EQ(engine->controls().interval_text, "45");
  EXPECT_TRUE(engine->controls().voice_enabled);
  EXPECT_EQ(engine->controls().lan_ip, "192.168.1.5");
  EXPECT_EQ(observer.JoinedLog(), "==Quilla服务端V3.7==\r\n读取配置文件完成\r\n");
  EXPECT_EQ(Period(TimerId::kRequest), 3000);

  engine->SetIntervalText("7");
  engine->SetVoiceEnabled(false);
  EXPECT_TRUE(engine->Exit(ini));
  EXPECT_EQ(settings::ReadProfileString(ini, "Wind", "时间间隔"), "7");
  EXPECT_EQ(settings::ReadProfileString(ini, "Wind", "是否选中"), "假");

  // Any text but the two boolean words leaves the switch as it is.
  settings::WriteProfileString(ini, "Wind", "是否选中", "yes");
  engine->SetVoiceEnabled(true);
  engine->Create(ini, "");
  EXPECT_TRUE(engine->controls().voice_enabled);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace quilla::server::testing
