// The client's connection and session against the real quilla_server, headless on
// loopback. The test thread plays the GUI thread: it runs the tasks the connection posts,
// and fires the reconnect timers itself.

#include "client/core/server_connection.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

#include "client/core/client_link.h"
#include "client/core/client_settings.h"
#include "protocol/lan_address.h"
#include "settings/list_view_dump.h"
#include "support/local_http_server.h"
#include "support/protocol_peer.h"
#include "support/server_process.h"
#include "support/task_queue.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"
#include "support/wav_tone.h"

namespace quilla::client {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::ProtocolPeer;

class ServerConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port_ = testing::FreeLoopbackPort();
    ASSERT_TRUE(server_.StartHeadless(QUILLA_SERVER_BINARY, port_, dir_.path()));
  }
  void TearDown() override {
    link_.reset();
    server_.Type("quit");
    server_.Wait(10s);
  }

  ClientLink& MakeLink(const std::string& nickname, ConnectionOptions options = {}) {
    LinkHooks hooks;
    hooks.on_update = [this](const SessionState&, const SessionUpdate& u) {
      updates_.push_back(u);
    };
    hooks.save_before_exit = [this] {
      if (save_before_exit_) save_before_exit_();
    };
    hooks.exit = [this] {
      if (exit_) exit_();
    };
    link_ = std::make_unique<ClientLink>(ConnectionHost{gui_.Poster(), timers_.PostAfter()},
                                         std::move(hooks), options);
    link_->SetNickname(nickname);
    return *link_;
  }

  void ConnectAndJoin(ClientLink& link) {
    link.Connect("127.0.0.1", std::to_string(port_), ConnectTrigger::kButton);
    ASSERT_TRUE(gui_.RunUntil([&] { return link.state().connect_button_caption == "已连接"; }));
    // The server's default interval is 1: its arrival shows the join state was applied.
    ASSERT_TRUE(gui_.RunUntil([&] { return link.state().request_interval_s == 1; }));
  }

  bool AnyErrorBox() const {
    for (const auto& u : updates_) {
      if (u.error_box) return true;
    }
    return false;
  }

  testing::TempDir dir_;
  int port_ = 0;
  testing::ServerProcess server_;
  testing::TaskQueue gui_;
  testing::ManualTimers timers_;
  std::vector<SessionUpdate> updates_;
  std::function<void()> save_before_exit_;
  std::function<void()> exit_;
  std::unique_ptr<ClientLink> link_;  // after gui_: destroyed first
};

std::vector<QueueRow> Rows(std::initializer_list<std::pair<const char*, const char*>> rows) {
  std::vector<QueueRow> out;
  for (auto [song, requester] : rows) out.push_back({song, requester});
  return out;
}

TEST_F(ServerConnectionTest, JoinsAndMirrorsTheServersQueue) {
  testing::LocalHttpServer web;
  const std::string long_song = testing::WavTone(60.0, 440.0, 8000);
  web.server().Get("/long.wav", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(long_song, "audio/wav");
  });
  web.Start();

  ClientLink& ann = MakeLink("Ann");
  const auto pressed = Clock::now();
  ann.Connect("127.0.0.1", std::to_string(port_), ConnectTrigger::kButton);
  EXPECT_LT(Clock::now() - pressed, 500ms);  // the connect runs elsewhere
  EXPECT_EQ(ann.state().connection_status_text, "连接中...");
  EXPECT_FALSE(ann.state().connect_button_enabled);
  ASSERT_TRUE(gui_.RunUntil([&] { return ann.state().connect_button_caption == "已连接"; }));
  EXPECT_EQ(ann.state().status_text, "连接服务端成功！");
  EXPECT_TRUE(ann.state().request_controls_enabled);

  // The join carries the nickname and the address of the connected socket (loopback here,
  // where the first LAN address would have been the fallback).
  ASSERT_TRUE(server_.WaitForLine("Ann登陆点歌", 5s));
  server_.Type("users");
  EXPECT_TRUE(server_.WaitForLine("\tAnn\t127.0.0.1\t", 5s));
  EXPECT_EQ(ann.connection().LocalAddress(), "127.0.0.1");

  // The join state: nothing playing yet, the interval, the skip button.
  ASSERT_TRUE(gui_.RunUntil([&] { return ann.state().request_interval_s == 1; }));
  EXPECT_EQ(ann.state().song_caption, "当前暂无播放歌曲()");
  EXPECT_FALSE(ann.state().skip_button_visible);

  // A peer's request appears in the mirror and leaves it when it starts.
  ProtocolPeer bob;
  ASSERT_TRUE(bob.Connect(port_));
  ASSERT_TRUE(bob.Join("Bob"));
  auto request = [&](const std::string& title) {
    ASSERT_TRUE(bob.Send(protocol::BuildRequestSong(
        {"Bob", title, "Singer", web.Url("/long.wav"), "", "[00:01.00]line"})));
  };
  request("Long");
  bool long_was_listed = false;
  ASSERT_TRUE(gui_.RunUntil([&] {
    long_was_listed = long_was_listed || ann.state().queue_mirror == Rows({{"Long", "Bob"}});
    return ann.state().song_caption == "Long-Singer (Bob)";
  }));
  EXPECT_TRUE(long_was_listed);
  EXPECT_TRUE(ann.state().queue_mirror.empty());
  // The progress ticks reach the state. The server keeps a starting song listed in its
  // queue for a short moment (300 ms) after announcing it; 3 pixels of a 60-second song
  // (0.45 s) are past that moment. While the stream is still opening the ticks report a
  // full bar (no stream yet), which says nothing about the moment.
  ASSERT_TRUE(gui_.RunUntil([&] {
    return ann.state().progress_width >= 3 && ann.state().progress_width < 400;
  }));
  EXPECT_NE(ann.state().time_text, "00:00/00:00");

  request("Second");
  request("Third");
  const auto second_third = Rows({{"Second", "Bob"}, {"Third", "Bob"}});
  ASSERT_TRUE(gui_.RunUntil([&] { return ann.state().queue_mirror == second_third; }));

  // Another join makes the server send its whole state to Ann again; the mirror stays.
  const std::size_t mark = updates_.size();
  auto rejoined = [&] {
    int appended_after_clear = -1;
    for (std::size_t i = mark; i < updates_.size(); ++i) {
      for (const auto& e : updates_[i].queue_edits) {
        if (e.kind == QueueEdit::Kind::kCleared) appended_after_clear = 0;
        if (e.kind == QueueEdit::Kind::kAppended && appended_after_clear >= 0) {
          ++appended_after_clear;
        }
      }
    }
    return appended_after_clear == 2;
  };
  ProtocolPeer cy;
  ASSERT_TRUE(cy.Connect(port_));
  ASSERT_TRUE(cy.Join("Cy"));
  ASSERT_TRUE(gui_.RunUntil(rejoined));
  EXPECT_EQ(ann.state().queue_mirror, second_third);

  // The operator skips: "Second" starts and leaves the mirror.
  server_.Type("skip");
  ASSERT_TRUE(gui_.RunUntil([&] { return ann.state().song_caption == "Second-Singer (Bob)"; }));
  EXPECT_EQ(ann.state().queue_mirror, Rows({{"Third", "Bob"}}));

  // Every nickname change goes to the server.
  ann.SetNickname("Annie");
  // (The console and the connection are separate ways in: ask until the rename is listed.)
  EXPECT_TRUE(testing::WaitUntil([&] {
    server_.Type("users");
    return server_.WaitForLine("\tAnnie\t127.0.0.1\t", 200ms);
  }));
  EXPECT_FALSE(AnyErrorBox());
}

TEST_F(ServerConnectionTest, ALostConnectionIsRetriedUntilTheServerIsBack) {
  ClientLink& ann = MakeLink("Ann");
  ann.SetAutoReconnect(true);
  ConnectAndJoin(ann);

  server_.Type("stop");
  ASSERT_TRUE(gui_.RunUntil([&] { return ann.state().connection_status_text == "已断开连接！"; }));
  EXPECT_EQ(updates_.back().panel, PanelMove::kSnapOpen);
  EXPECT_EQ(ann.state().connect_button_caption, "重新连接");
  EXPECT_TRUE(ann.state().connect_button_enabled);
  EXPECT_FALSE(ann.state().request_controls_enabled);
  EXPECT_EQ(ann.state().welcome_text, "欢迎使用本软件！");
  EXPECT_EQ(ann.connection().phase(), ServerConnection::Phase::kWaitingToRetry);
  ASSERT_EQ(timers_.delays(), (std::vector<std::chrono::milliseconds>{2000ms}));
  // The connections close before the listener does: retry only once it is closed.
  ASSERT_TRUE(server_.WaitForLine("服务端已停止", 10s));

  // While the server is down every retry fails quietly and the wait doubles up to 30 s.
  const std::size_t updates_before = updates_.size();
  for (auto expected : {4000ms, 8000ms, 16000ms, 30000ms, 30000ms}) {
    ASSERT_TRUE(timers_.FireNext());
    EXPECT_EQ(ann.connection().phase(), ServerConnection::Phase::kConnecting);
    ASSERT_TRUE(gui_.RunUntil([&] { return timers_.pending() == 1; }));
    EXPECT_EQ(timers_.delays().back(), expected);
  }
  EXPECT_EQ(updates_.size(), updates_before);
  EXPECT_EQ(ann.state().connection_status_text, "已断开连接！");

  // The server comes back; the next retry connects and joins again.
  server_.Type("start");
  ASSERT_TRUE(server_.WaitForLines("服务端启动成功", 2, 10s));
  ASSERT_TRUE(timers_.FireNext());
  ASSERT_TRUE(gui_.RunUntil([&] { return ann.state().connect_button_caption == "已连接"; }));
  EXPECT_TRUE(server_.WaitForLines("Ann登陆点歌", 2, 5s));
  ASSERT_TRUE(gui_.RunUntil([&] { return ann.state().request_controls_enabled; }));
  EXPECT_EQ(ann.connection().next_retry_delay(), 2000ms);
  EXPECT_FALSE(AnyErrorBox());

  // Unticked, a loss is left to the user's "重新连接".
  ann.SetAutoReconnect(false);
  const std::size_t timers_before = timers_.delays().size();
  server_.Type("stop");
  ASSERT_TRUE(gui_.RunUntil([&] { return ann.state().connection_status_text == "已断开连接！"; }));
  EXPECT_EQ(timers_.delays().size(), timers_before);
  EXPECT_EQ(ann.connection().phase(), ServerConnection::Phase::kIdle);
}

TEST_F(ServerConnectionTest, AKickSavesTheSettingsAndHistoryThenEnds) {
  const ClientSettings settings(dir_ / "client");
  const ProfileSettings profile{"127.0.0.1", std::to_string(port_), "Ann", "", "", true, false,
                                true, std::nullopt};
  bool saved_before_exit = false;
  bool exited = false;
  save_before_exit_ = [&] {
    settings::ListViewTable history;
    history.rows = {{"Song", "Singer", "http://s/1.mp3", "", ""}};
    ASSERT_TRUE(settings.SaveProfile(profile));
    ASSERT_TRUE(settings::SaveListView(history, settings.RequestHistoryFile()));
  };
  exit_ = [&] {
    saved_before_exit =
        settings.LoadProfile() == profile && std::filesystem::exists(settings.RequestHistoryFile());
    exited = true;
  };
  ClientLink& ann = MakeLink("Ann");
  ConnectAndJoin(ann);
  const std::string handle = server_.UserHandle("Ann");
  ASSERT_FALSE(handle.empty());
  server_.Type("kick " + handle);
  ASSERT_TRUE(gui_.RunUntil([&] { return exited; }));
  EXPECT_TRUE(saved_before_exit);
  EXPECT_EQ(settings::LoadListView(settings.RequestHistoryFile(), false).rows.size(), 1u);
}

// A listener that never accepts, its queue filled by other connects: a further handshake
// goes unanswered, so a connect to it can only end by its time limit.
class SilentListener {
 public:
  // On `port`, or on a free one when 0.
  explicit SilentListener(int port = 0) {
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    ::setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    socklen_t length = sizeof address;
    if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      throw std::runtime_error("cannot bind the silent listener");
    }
    ::listen(listen_fd_, 0);
    ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    for (int i = 0; i < 8; ++i) {
      const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
      ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
      fillers_.push_back(fd);
    }
  }
  ~SilentListener() {
    for (int fd : fillers_) ::close(fd);
    ::close(listen_fd_);
  }
  int port() const { return port_; }

 private:
  int listen_fd_ = -1;
  int port_ = 0;
  std::vector<int> fillers_;
};

TEST_F(ServerConnectionTest, AWrongAddressFailsWithoutBlockingTheCaller) {
  ClientLink& ann = MakeLink("Ann");
  const int nobody = testing::FreeLoopbackPort();
  const auto pressed = Clock::now();
  ann.Connect("127.0.0.1", std::to_string(nobody), ConnectTrigger::kButton);
  EXPECT_LT(Clock::now() - pressed, 500ms);
  // A second press while the first attempt runs starts nothing.
  EXPECT_FALSE(ann.connection().Connect("127.0.0.1", port_, ConnectTrigger::kButton));
  ASSERT_TRUE(gui_.RunUntil([&] { return AnyErrorBox(); }));
  EXPECT_EQ(updates_.back().error_box, (ErrorBox{"连接失败！", "连接失败，请检查IP配置"}));
  EXPECT_EQ(updates_.back().panel, PanelMove::kSlideOpenIfClosed);
  EXPECT_EQ(ann.state().connection_status_text, "连接失败，请检查IP配置");
  EXPECT_EQ(ann.state().connect_button_caption, "连接服务端");
  EXPECT_TRUE(ann.state().connect_button_enabled);
  EXPECT_EQ(ann.connection().phase(), ServerConnection::Phase::kIdle);
  EXPECT_TRUE(timers_.delays().empty());  // no automatic retry after a failed connect
  // Before any connection the announced address is this computer's LAN address.
  EXPECT_EQ(ann.connection().LocalAddress(), protocol::LocalLanAddress());
  server_.Type("users");
  server_.Type("dance");  // the console answers in order: "users" listed nobody
  ASSERT_TRUE(server_.WaitForLine("未知命令：dance", 5s));
  EXPECT_FALSE(server_.WaitForLine("\tAnn\t", 0ms));
}

TEST_F(ServerConnectionTest, AnUnansweredConnectEndsAtItsLimit) {
  SilentListener silent;
  ConnectionOptions options;
  options.connect_timeout = 1500ms;
  ClientLink& ann = MakeLink("Ann", options);
  const auto pressed = Clock::now();
  ann.Connect("127.0.0.1", std::to_string(silent.port()), ConnectTrigger::kStartUp);
  EXPECT_LT(Clock::now() - pressed, 500ms);  // well before the attempt can end
  ASSERT_TRUE(gui_.RunUntil(
      [&] {
        return ann.state().connect_button_enabled || ann.state().connect_button_caption == "已连接";
      },
      10s));
  const auto took = Clock::now() - pressed;
  if (ann.state().connect_button_caption == "已连接") {
    GTEST_SKIP() << "this kernel accepted the handshake despite the full queue";
  }
  EXPECT_TRUE(AnyErrorBox());
  EXPECT_GE(took, 1400ms);
  EXPECT_LT(took, 5s);

  // Going away during a hanging attempt does not wait for it.
  options.connect_timeout = 3000ms;
  ClientLink& again = MakeLink("Bob", options);
  again.Connect("127.0.0.1", std::to_string(silent.port()), ConnectTrigger::kButton);
  const auto dropped = Clock::now();
  link_.reset();
  EXPECT_LT(Clock::now() - dropped, 500ms);
}

TEST_F(ServerConnectionTest, APressDuringARetryGetsItsOwnAttempt) {
  ConnectionOptions options;
  options.connect_timeout = 1000ms;
  ClientLink& ann = MakeLink("Ann", options);
  ann.SetAutoReconnect(true);
  ConnectAndJoin(ann);
  server_.Type("stop");
  ASSERT_TRUE(gui_.RunUntil([&] { return ann.state().connection_status_text == "已断开连接！"; }));
  ASSERT_TRUE(server_.WaitForLine("服务端已停止", 10s));

  // The server's port now answers no handshake: the retry hangs until its limit.
  SilentListener silent(port_);
  ASSERT_TRUE(timers_.FireNext());
  ASSERT_EQ(ann.connection().phase(), ServerConnection::Phase::kConnecting);
  // The user presses "重新连接" with another address meanwhile: accepted, and it waits.
  const int nobody = testing::FreeLoopbackPort();
  ann.Connect("127.0.0.1", std::to_string(nobody), ConnectTrigger::kButton);
  EXPECT_EQ(ann.state().connection_status_text, "连接中...");
  EXPECT_FALSE(ann.state().connect_button_enabled);

  // The retry gives up; the user's own attempt follows and its failure is shown once.
  ASSERT_TRUE(gui_.RunUntil(
      [&] { return AnyErrorBox() || ann.state().connect_button_caption == "已连接"; }, 10s));
  if (ann.state().connect_button_caption == "已连接") {
    GTEST_SKIP() << "this kernel accepted the handshake despite the full queue";
  }
  EXPECT_EQ(ann.state().connection_status_text, "连接失败，请检查IP配置");
  EXPECT_TRUE(ann.state().connect_button_enabled);
  // Still ticked: the retries go on, towards the server's address.
  EXPECT_EQ(ann.connection().phase(), ServerConnection::Phase::kWaitingToRetry);
  EXPECT_EQ(timers_.delays().back(), 4000ms);
}

}  // namespace
}  // namespace quilla::client
