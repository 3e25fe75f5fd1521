// The main window against the real quilla_server, headless on loopback: a listener
// connects from the window and follows what a protocol peer requests and the operator
// does.

#include "client/app/list_views.h"
#include "client/app/window_fixture.h"
#include "protocol/messages.h"
#include "settings/ini_file.h"
#include "settings/list_view_dump.h"
#include "support/free_port.h"
#include "support/local_http_server.h"
#include "support/protocol_peer.h"
#include "support/server_process.h"
#include "support/wav_tone.h"

namespace quilla::client::testing {
namespace {

using namespace std::chrono_literals;
using quilla::testing::ProtocolPeer;

class MainWindowServerTest : public WindowFixture {
 protected:
  void SetUp() override {
    port_ = quilla::testing::FreeLoopbackPort();
    ASSERT_TRUE(quilla::testing::StartHeadlessServer(server_, QUILLA_SERVER_BINARY,
                                                     server_dir_.path(), port_));

    song_ = quilla::testing::WavTone(60.0, 440.0, 8000);
    cover_ = PngOf(Qt::red);
    web_.server().Get("/long.wav", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(song_, "audio/wav");
    });
    web_.server().Get("/cover.png", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(cover_, "image/png");
    });
    web_.Start();
  }
  void TearDown() override {
    Close();
    server_.Type("quit");
    server_.Wait(10s);
  }

  // Opens the window as "Ann" and connects with the button; waits for the join state.
  void OpenAndConnect() {
    Open();
    c().nickname_box->setText(QStringLiteral("Ann"));
    c().ip_box->setText(QStringLiteral("127.0.0.1"));
    c().port_box->setText(QString::number(port_));
    c().connect_button->click();
    ASSERT_TRUE(ProcessEventsUntil([&] { return c().connect_button->text() == "已连接"; }, 10s));
    // The server's default interval is 1: its arrival shows the join state was applied.
    ASSERT_TRUE(
        ProcessEventsUntil([&] { return window().link().state().request_interval_s == 1; }, 10s));
    ASSERT_TRUE(server_.WaitForLine("Ann登陆点歌", 5s));
  }

  void ConnectPeer() {
    ASSERT_TRUE(bob_.Connect(port_));
    ASSERT_TRUE(bob_.Join("Bob"));
  }
  void Request(const std::string& title, const std::string& lyrics = "") {
    ASSERT_TRUE(bob_.Send(protocol::BuildRequestSong(
        {"Bob", title, "Singer", web_.Url("/long.wav"), web_.Url("/cover.png"), lyrics})));
  }
  QStringList QueueRows() {
    QStringList rows;
    for (int r = 0; r < c().queue_model->rowCount(); ++r) {
      rows << c().queue_model->item(r, 0)->text() + "/" + c().queue_model->item(r, 1)->text();
    }
    return rows;
  }
  bool RequestControlsEnabled(bool enabled) {
    return c().result_list->isEnabled() == enabled && c().history_list->isEnabled() == enabled &&
           c().search_box->isEnabled() == enabled;
  }
  std::string AnnHandle() { return server_.UserHandle("Ann"); }

  quilla::testing::TempDir server_dir_;
  int port_ = 0;
  quilla::testing::ServerProcess server_;
  quilla::testing::LocalHttpServer web_;
  std::string song_, cover_;
  ProtocolPeer bob_;
};

TEST_F(MainWindowServerTest, TheWindowFollowsASongRequestedByAPeer) {
  OpenAndConnect();
  EXPECT_TRUE(PanelAt(580));
  EXPECT_EQ(c().song_caption->text(), QStringLiteral("当前暂无播放歌曲()"));
  ConnectPeer();

  Request("Long", "[00:00.20]第一句歌词\r\n[00:50.00]第二句歌词");
  bool listed = false;
  ASSERT_TRUE(ProcessEventsUntil(
      [&] {
        listed = listed || QueueRows() == QStringList{"Long/Bob"};
        return c().song_caption->text() == "Long-Singer (Bob)";
      },
      20s));
  EXPECT_TRUE(listed);
  ASSERT_TRUE(ProcessEventsUntil([&] { return QueueRows().isEmpty(); }));
  // The cover, the progress, the time and the lyrics line (window and desktop) follow.
  EXPECT_TRUE(ProcessEventsUntil([&] { return !c().cover->picture().isNull(); }));
  EXPECT_EQ(Middle(c().cover->picture()), QColor(Qt::red));
  EXPECT_TRUE(ProcessEventsUntil([&] { return c().progress_bar->width() >= 3; }, 10s));
  EXPECT_NE(c().time_text->text(), QStringLiteral("00:00/00:00"));
  EXPECT_TRUE(ProcessEventsUntil([&] { return window().lyrics().text() == "第一句歌词"; }, 10s));
  EXPECT_EQ(c().lyrics_line->text(), QStringLiteral("第一句歌词"));

  Request("Second");
  Request("Third");
  EXPECT_TRUE(ProcessEventsUntil([&] {
    return QueueRows() == QStringList{"Second/Bob", "Third/Bob"};
  }));
  // The operator skips: "Second" starts and leaves the list.
  server_.Type("skip");
  EXPECT_TRUE(
      ProcessEventsUntil([&] { return c().song_caption->text() == "Second-Singer (Bob)"; }, 20s));
  EXPECT_TRUE(ProcessEventsUntil([&] { return QueueRows() == QStringList{"Third/Bob"}; }));
  EXPECT_EQ(window().message_box(), nullptr);
}

TEST_F(MainWindowServerTest, TheOperatorsPermissionsToggleTheControls) {
  OpenAndConnect();
  const std::string ann = AnnHandle();
  ASSERT_FALSE(ann.empty());

  server_.Type("ban " + ann);
  ASSERT_TRUE(ProcessEventsUntil([&] { return RequestControlsEnabled(false); }));
  EXPECT_EQ(c().status_line->text(), QStringLiteral("你已经被禁止点歌了！"));
  EXPECT_FALSE(c().load_more->isEnabled());
  server_.Type("unban " + ann);
  ASSERT_TRUE(ProcessEventsUntil([&] { return RequestControlsEnabled(true); }));
  EXPECT_EQ(c().status_line->text(), QStringLiteral("你已经可以正常点歌了！"));

  EXPECT_FALSE(c().skip_button->isVisible());
  server_.Type("allow-skip on");
  ASSERT_TRUE(ProcessEventsUntil([&] { return c().skip_button->isVisible(); }));
  EXPECT_EQ(c().status_line->text(), QStringLiteral("你可以切歌了！"));
  server_.Type("allow-skip off");
  ASSERT_TRUE(ProcessEventsUntil([&] { return !c().skip_button->isVisible(); }));
  EXPECT_EQ(c().status_line->text(), QStringLiteral("你的切歌功能被禁止了"));
}

TEST_F(MainWindowServerTest, TheServersStopShowsTheLostConnection) {
  OpenAndConnect();
  ConnectPeer();
  Request("Long");
  Request("Waiting");
  ASSERT_TRUE(ProcessEventsUntil([&] { return QueueRows() == QStringList{"Waiting/Bob"}; }, 20s));

  server_.Type("stop");
  ASSERT_TRUE(
      ProcessEventsUntil([&] { return c().connection_status->text() == "已断开连接！"; }, 10s));
  EXPECT_EQ(c().connect_button->text(), QStringLiteral("重新连接"));
  EXPECT_TRUE(c().connect_button->isEnabled());
  EXPECT_TRUE(QueueRows().isEmpty());
  EXPECT_TRUE(RequestControlsEnabled(false));
  EXPECT_EQ(c().panel->x(), 396);

  // "重新连接" once the server is back.
  server_.Type("start");
  ASSERT_TRUE(server_.WaitForLines("服务端启动成功", 2, 10s));
  c().connect_button->click();
  EXPECT_TRUE(ProcessEventsUntil([&] { return c().connect_button->text() == "已连接"; }, 10s));
  EXPECT_TRUE(server_.WaitForLines("Ann登陆点歌", 2, 5s));
}

TEST_F(MainWindowServerTest, AKickSavesAndEnds) {
  OpenAndConnect();
  AppendRow(c().history_model, {"晴天", "周杰伦", "http://m/1.mp3", "", "", ""});
  server_.Type("kick " + AnnHandle());
  ASSERT_TRUE(ProcessEventsUntil([&] { return !endings_.empty(); }, 10s));
  EXPECT_EQ(endings_, std::vector{MainWindow::Ending::kKicked});
  EXPECT_FALSE(window().isVisible());
  EXPECT_EQ(settings::ReadProfileString(dir() / "pz.ini", "Wind", "用户名"), "Ann");
  EXPECT_EQ(settings::LoadListView(dir() / "dgjl.ini", false).rows.size(), 1u);
  EXPECT_FALSE(Exists("e.ini"));
  EXPECT_FALSE(Exists("gq.ini"));
}

}  // namespace
}  // namespace quilla::client::testing
