// quilla_client as a program: its command line against the real server, its ending on
// SIGTERM, and one client per settings folder.

#include <signal.h>

#include "client/app/single_instance.h"
#include "client/app/window_fixture.h"
#include "encoding/gbk.h"
#include "settings/ini_file.h"
#include "support/free_port.h"
#include "support/server_process.h"

namespace quilla::client::testing {
namespace {

using namespace std::chrono_literals;
using quilla::testing::ServerProcess;

// Waits, with the event loop turning, until `process` has ended; its exit code or -1.
int WaitForExit(ServerProcess& process, std::chrono::milliseconds timeout = 10s) {
  int code = -1;
  ProcessEventsUntil(
      [&] {
        code = process.Wait(1ms);
        return code != -1;
      },
      timeout);
  return code;
}

class ClientProgramTest : public WindowFixture {
 protected:
  std::vector<std::string> Args(std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"--config-dir", dir().string()};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }
};

TEST_F(ClientProgramTest, ServerOnTheCommandLineConnectsForThisRunOnly) {
  quilla::testing::TempDir server_dir;
  ServerProcess server;
  const int port = quilla::testing::FreeLoopbackPort();
  ASSERT_TRUE(
      quilla::testing::StartHeadlessServer(server, QUILLA_SERVER_BINARY, server_dir.path(), port));

  const std::string pz = encoding::Utf8ToGbk(
      "[Wind]\r\nIP=10.9.8.7\r\n端口=800\r\n用户名=Cli\r\n头像=\r\n公告=\r\n是否弹窗=假\r\n"
      "是否打开启动=假\r\n是否显示歌词=真\r\n");
  quilla::testing::WriteBytes(dir() / "pz.ini", pz);
  int joins = 0;
  for (const char* host : {"127.0.0.1", "localhost"}) {
    SCOPED_TRACE(host);
    ServerProcess client;
    ASSERT_TRUE(client.Start(QUILLA_CLIENT_BINARY,
                             Args({"--server", std::string(host) + ":" + std::to_string(port)})));
    // Connected and joined without anybody pressing a button.
    EXPECT_TRUE(server.WaitForLines("Cli登陆点歌", ++joins, 15s));
    // SIGTERM closes the window the way the window manager does: e.ini and gq.ini, with
    // the address pz.ini held, not the command line's.
    EXPECT_EQ(client.SignalAndWait(SIGTERM, 10s), 0);
    EXPECT_EQ(settings::ReadProfileString(dir() / "e.ini", "Wind", "IP"), "10.9.8.7");
    EXPECT_EQ(settings::ReadProfileString(dir() / "e.ini", "Wind", "端口"), "800");
    EXPECT_EQ(settings::ReadProfileString(dir() / "e.ini", "Wind", "用户名"), "Cli");
    EXPECT_TRUE(Exists("gq.ini"));
    EXPECT_EQ(quilla::testing::ReadBytes(dir() / "pz.ini"), pz);
    std::filesystem::remove(dir() / "e.ini");
  }
  server.Type("quit");
  server.Wait(10s);
}

TEST_F(ClientProgramTest, ASecondStartRaisesTheFirstAndEnds) {
  SingleInstance first(dir());
  ASSERT_TRUE(first.Acquire());
  MainWindow& w = Open();
  QObject::connect(&first, &SingleInstance::RaiseRequested, &w, &MainWindow::BringToFront);
  w.showMinimized();
  ASSERT_TRUE(ProcessEventsUntil([&] { return w.isMinimized(); }));

  ServerProcess second;
  ASSERT_TRUE(second.Start(QUILLA_CLIENT_BINARY, Args()));
  EXPECT_EQ(WaitForExit(second), 0);
  EXPECT_TRUE(second.WaitForLine("已在运行", 1s));
  EXPECT_TRUE(ProcessEventsUntil([&] { return !w.isMinimized() && w.isVisible(); }));
  // The second start wrote nothing.
  EXPECT_FALSE(Exists("e.ini"));
  EXPECT_FALSE(Exists("pz.ini"));
}

TEST_F(ClientProgramTest, ALockLeftByADeadClientIsTakenOver) {
  ServerProcess dead;
  ASSERT_TRUE(dead.Start(QUILLA_CLIENT_BINARY, Args()));
  SingleInstance probe(dir());
  // The client has its lock once a second start finds it answering.
  ASSERT_TRUE(ProcessEventsUntil([&] { return probe.AskRunningToRaise(100ms); }, 15s));
  EXPECT_EQ(dead.SignalAndWait(SIGKILL, 10s), 128 + SIGKILL);
  EXPECT_TRUE(std::filesystem::exists(probe.lock_file().toStdString()));

  SingleInstance next(dir());
  EXPECT_TRUE(next.Acquire());
  // And it answers later starts itself.
  int raised = 0;
  QObject::connect(&next, &SingleInstance::RaiseRequested, [&] { ++raised; });
  ServerProcess third;
  ASSERT_TRUE(third.Start(QUILLA_CLIENT_BINARY, Args()));
  EXPECT_EQ(WaitForExit(third), 0);
  EXPECT_EQ(raised, 1);
}

TEST_F(ClientProgramTest, BadArgumentsEndWithTheUsage) {
  ServerProcess bad;
  ASSERT_TRUE(bad.Start(QUILLA_CLIENT_BINARY, Args({"--server", "10.0.0.1:99999"})));
  EXPECT_EQ(WaitForExit(bad), 2);
  EXPECT_TRUE(bad.WaitForLine("--server 的地址无效：10.0.0.1:99999", 1s));
  EXPECT_TRUE(bad.WaitForLine("用法: quilla_client", 1s));
}

}  // namespace
}  // namespace quilla::client::testing
