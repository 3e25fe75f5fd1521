// The real quilla_server, headless, driven through its console and talked to by real
// protocol peers over loopback.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>

#include "settings/ini_file.h"
#include "support/protocol_peer.h"
#include "support/server_process.h"

namespace quilla::testing {
namespace {

using namespace std::chrono_literals;

class HeadlessServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("quilla-headless-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    // Every outside service points at a closed loopback port.
    const auto ini = dir_ / "sys.ini";
    settings::WriteProfileString(ini, "Services", "Radio", "http://127.0.0.1:9");
    settings::WriteProfileString(ini, "Services", "SpeechToken", "http://127.0.0.1:9");
    settings::WriteProfileString(ini, "Services", "SpeechAudio", "http://127.0.0.1:9");
    port_ = FreeLoopbackPort();
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void StartServer() {
    ASSERT_TRUE(server_.Start(QUILLA_SERVER_BINARY,
                              {"--headless", "--start", "--port", std::to_string(port_),
                               "--config-dir", dir_.string(), "--audio-output", "null"}));
    ASSERT_TRUE(server_.WaitForLine("服务端启动成功", 10s)) << Dump();
  }
  std::string Dump() const {
    std::string all;
    for (const auto& l : server_.Lines()) all += l + "\n";
    return all;
  }
  std::filesystem::path dir_;
  int port_ = 0;
  ServerProcess server_;
};

TEST_F(HeadlessServerTest, ConsoleCommandsReachThePeers) {
  StartServer();
  for (const char* line :
       {"服务端启动中....", "服务端启动成功", "音乐系统开启中....", "音乐系统初始化成功"}) {
    EXPECT_TRUE(server_.WaitForLine(line, 1s)) << line;
  }
  // The log lines carry no CR LF of their own.
  for (const auto& l : server_.Lines()) EXPECT_EQ(l.find('\r'), std::string::npos) << l;

  ProtocolPeer ann;
  ASSERT_TRUE(ann.Connect(port_));
  ASSERT_TRUE(ann.Join("Ann"));
  const Received first = ann.WaitFor("首次获取", 5s);
  EXPECT_EQ(first.payload, "g【*】c当前暂无播放歌曲g【*】c");
  EXPECT_EQ(ann.WaitFor("时间间隔", 1s).payload, "1");
  EXPECT_EQ(ann.WaitFor("切歌按钮显示", 1s).payload, "假");
  EXPECT_TRUE(server_.WaitForLine("Ann登陆点歌", 2s));

  const std::string handle = server_.UserHandle("Ann");
  ASSERT_FALSE(handle.empty()) << Dump();

  server_.Type("allow-skip on");
  EXPECT_FALSE(ann.WaitFor("允许切歌", 5s).command.empty());
  server_.Type("interval 30");
  EXPECT_FALSE(ann.WaitFor("时间间隔", 5s, "30").command.empty());
  server_.Type("ban " + handle);
  EXPECT_FALSE(ann.WaitFor("禁止点歌", 5s).command.empty());
  EXPECT_TRUE(server_.WaitForLine("\tAnn\t127.0.0.1\t", 1s));
  server_.Type("users");
  EXPECT_TRUE(server_.WaitForLine("禁止点歌", 5s)) << Dump();
  server_.Type("unban " + handle);
  EXPECT_FALSE(ann.WaitFor("正常点歌", 5s).command.empty());
  server_.Type("kick " + handle);
  EXPECT_FALSE(ann.WaitFor("卸载", 5s).command.empty());

  server_.Type("dance");
  EXPECT_TRUE(server_.WaitForLine("未知命令：dance", 5s));

  // The client ends itself after a kick; its departure is logged by name.
  ann.Close();
  EXPECT_TRUE(server_.WaitForLine("Ann离开了", 5s));
}

TEST_F(HeadlessServerTest, EndOfInputKeepsServingAndTermSavesTheSettings) {
  StartServer();
  server_.Type("interval 12");
  server_.Type("users");
  server_.CloseInput();
  ProtocolPeer bob;
  ASSERT_TRUE(bob.Connect(port_));
  ASSERT_TRUE(bob.Join("Bob"));
  EXPECT_EQ(bob.WaitFor("时间间隔", 5s, "12").payload, "12");

  EXPECT_EQ(server_.SignalAndWait(SIGTERM, 10s), 0);
  EXPECT_EQ(settings::ReadProfileString(dir_ / "sys.ini", "Wind", "时间间隔"), "12");
  EXPECT_EQ(settings::ReadProfileString(dir_ / "sys.ini", "Wind", "是否选中"), "假");
}

TEST_F(HeadlessServerTest, StopClosesEveryConnectionAndListsNobody) {
  StartServer();
  ProtocolPeer ann;
  ASSERT_TRUE(ann.Connect(port_));
  ASSERT_TRUE(ann.Join("Ann"));
  ASSERT_FALSE(ann.WaitFor("首次获取", 5s).command.empty());
  server_.Type("stop");
  EXPECT_TRUE(server_.WaitForLine("服务端已停止", 10s));
  EXPECT_TRUE(server_.WaitForLine("Ann离开了", 1s));
  EXPECT_TRUE(server_.WaitForLine("音乐系统已关闭", 5s));
  for (int i = 0; i < 100 && !ann.closed(); ++i) std::this_thread::sleep_for(20ms);
  EXPECT_TRUE(ann.closed());
  server_.Type("start");
  EXPECT_TRUE(server_.WaitForLine("服务端启动成功", 5s));
  server_.Type("quit");
  EXPECT_EQ(server_.Wait(10s), 0);
}

TEST_F(HeadlessServerTest, APortInUseGivesTheFailureAndItsReason) {
  ServerProcess first;
  ASSERT_TRUE(
      first.Start(QUILLA_SERVER_BINARY, {"--headless", "--start", "--port", std::to_string(port_),
                                         "--config-dir", dir_.string(), "--audio-output", "null"}));
  ASSERT_TRUE(first.WaitForLine("服务端启动成功", 10s));
  ASSERT_TRUE(server_.Start(QUILLA_SERVER_BINARY,
                            {"--headless", "--start", "--port", std::to_string(port_),
                             "--config-dir", dir_.string(), "--audio-output", "null"}));
  ASSERT_TRUE(server_.WaitForLine("服务端启动失败！！！", 10s)) << Dump();
  // One more line says why.
  std::string reason;
  for (int i = 0; i < 100 && reason.empty(); ++i) {
    const auto lines = server_.Lines();
    for (std::size_t j = 0; j + 1 < lines.size(); ++j) {
      if (lines[j].find("服务端启动失败！！！") != std::string::npos) reason = lines[j + 1];
    }
    if (reason.empty()) std::this_thread::sleep_for(20ms);
  }
  EXPECT_NE(reason.find(std::to_string(port_)), std::string::npos) << Dump();
  server_.Type("quit");
  EXPECT_EQ(server_.Wait(10s), 0);
  first.Type("quit");
  EXPECT_EQ(first.Wait(10s), 0);
}

}  // namespace
}  // namespace quilla::testing
