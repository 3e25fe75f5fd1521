// The main window over a real engine on a real EngineHost, listening through the real
// server transport; only the audio player, the speaker and the radio service are fakes.
// The scheduler's timers are not let through to the engine, so that no song starts
// unless a test starts it.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QToolButton>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <future>

#include "encoding/gbk.h"
#include "protocol/messages.h"
#include "protocol/server_transport.h"
#include "server/app/engine_host.h"
#include "server/app/server_engine.h"
#include "server/app/transport_listener.h"
#include "server/app/window/main_window.h"
#include "server/app/window/voice_window.h"
#include "server/fakes/fake_audio_player.h"
#include "server/fakes/fake_services.h"
#include "server/radio/web_radio_service.h"
#include "server/window/test_png.h"
#include "settings/ini_file.h"
#include "support/free_port.h"
#include "support/gate.h"
#include "support/local_http_server.h"
#include "support/protocol_peer.h"
#include "support/qt_test_support.h"

namespace quilla::server::testing {

using quilla::testing::EnsureApplication;
using quilla::testing::ProcessEventsUntil;
namespace {

using namespace std::chrono_literals;
using quilla::testing::LocalHttpServer;
using quilla::testing::ProtocolPeer;
using quilla::testing::Received;

int FreePort() {
  return quilla::testing::FreeLoopbackPort();
}

// Holds a port by listening on it on all addresses, as the server would.
class PortBlocker {
 public:
  PortBlocker() : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    ok_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
          ::listen(fd_, 1) == 0;
    socklen_t length = sizeof address;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~PortBlocker() { ::close(fd_); }
  bool ok() const { return ok_; }
  int port() const { return port_; }

 private:
  int fd_;
  int port_ = 0;
  bool ok_ = false;
};

// A radio service whose every answer waits at a gate, as a congested link would hold it.
struct SlowRadio {
  SlowRadio() {
    host.server().Get("/dev/api/", [this](const httplib::Request&, httplib::Response& response) {
      answer.Wait();
      response.set_content("{\"id\":1,\"type\":0}", "text/html");
    });
    host.Start();
    service.emplace(host.Base());
  }
  ~SlowRadio() { answer.Open(); }  // lets a held request finish before the service goes

  quilla::testing::Gate answer;
  LocalHttpServer host;
  std::optional<WebRadioService> service;
};

void WriteSysIni(const std::filesystem::path& path, const std::string& interval,
                 const std::string& voice) {
  std::ofstream out(path, std::ios::binary);
  out << encoding::Utf8ToGbk("[Wind]\r\n时间间隔=" + interval + "\r\n是否选中=" + voice + "\r\n");
}

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    EnsureApplication();
    char pattern[] = "/tmp/quilla_window_test_XXXXXX";
    dir_ = ::mkdtemp(pattern);
    sys_ini_ = dir_ / "sys.ini";
  }

  ~MainWindowTest() override {
    if (engine_) host_.PostAndWait([this] { engine_->StopServer(); });
    host_.Shutdown();
    window_.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // Builds engine and window as the program does, starts the engine thread and runs the
  // window-creation steps; the window is shown.
  void Compose(int port) {
    EngineDependencies deps;
    deps.outbox = &listener_;
    deps.listener = &listener_;
    deps.player = &player_;
    deps.speaker = &speaker_;
    deps.radio = slow_radio_ ? static_cast<RadioService*>(&*slow_radio_->service) : &radio_;
    deps.deferrer = &host_;
    deps.work = &host_;
    deps.timers = &host_;
    deps.observer = &observers_;
    engine_ = std::make_unique<ServerEngine>(deps, port);
    listener_.SetEngine(engine_.get());
    host_.SetTickHandler([this](TimerId timer) {
      if (ticks_enabled_) engine_->OnTimer(timer);
    });
    window_ = std::make_unique<MainWindow>(host_, *engine_, sys_ini_);
    observers_.Add(window_->observer());
    host_.Start();
    host_.PostAndWait([this] { engine_->Create(sys_ini_, "192.168.1.20"); });
    window_->show();
    ASSERT_TRUE(ProcessEventsUntil([this] { return Log().startsWith("==Quilla服务端V3.7=="); }));
  }

  template <typename W>
  W* Find(const char* name) const {
    W* widget = window_->findChild<W*>(QString::fromUtf8(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QString Log() const { return Find<QPlainTextEdit>("日志编辑框")->toPlainText(); }

  // Runs `f` on the engine thread and returns its result: the fakes live there.
  template <typename F>
  auto OnEngine(F f) {
    using R = decltype(f());
    if constexpr (std::is_void_v<R>) {
      host_.PostAndWait(f);
    } else {
      std::optional<R> result;
      host_.PostAndWait([&] { result = f(); });
      return *result;
    }
  }

  void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }
  // A whole double-click as the window system delivers it (QTest's own sends the
  // double-click event alone, which item views take for a press).
  void DoubleClick(QWidget* widget, QPoint at) {
    QTest::mousePress(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
  }

  void StartServer() {
    Click(Find<QPushButton>("启动服务端"));
    ASSERT_TRUE(
        ProcessEventsUntil([this] { return Find<QPushButton>("关闭服务端")->isEnabled(); }));
  }

  void TriggerMenuItem(const char* menu, const char* item) {
    QMenu* m = Find<QMenu>(menu);
    QAction* action = m->findChild<QAction*>(QString::fromUtf8(item));
    ASSERT_NE(action, nullptr) << item;
    action->trigger();
  }

  void AddRequest(const std::string& requester, const std::string& title,
                  const std::string& cover_url = "") {
    protocol::SongRequest r{requester,
                            title,
                            "Singer",
                            "http://song/" + title,
                            cover_url.empty() ? "http://cover/" + title : cover_url,
                            "[00:01.00]la"};
    host_.Post([this, block = protocol::BuildRequestSong(r)] { engine_->OnData(99, block); });
  }

  QStringList Column(QTableView* view, int column) const {
    QStringList texts;
    for (int r = 0; r < view->model()->rowCount(); ++r) {
      texts << view->model()->index(r, column).data().toString();
    }
    return texts;
  }

  std::vector<std::string> PlayerCalls() {
    return OnEngine([this] { return player_.calls; });
  }

  std::filesystem::path dir_;
  std::filesystem::path sys_ini_;
  std::unique_ptr<SlowRadio> slow_radio_;  // set before Compose to use it; outlives the host
  protocol::ServerTransport transport_;
  EngineHost host_;
  TransportListener listener_{transport_, host_};
  FakeAudioPlayer player_;
  FakeSpeaker speaker_;
  FakeRadioService radio_;
  ObserverList observers_;
  std::atomic<bool> ticks_enabled_{false};
  std::unique_ptr<ServerEngine> engine_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, StartAndStopSwitchTheControlsAndLogEachStep) {
  const int port = FreePort();
  Compose(port);
  auto* start = Find<QPushButton>("启动服务端");
  auto* stop = Find<QPushButton>("关闭服务端");
  const std::vector<QWidget*> running_only = {
      Find<QCheckBox>("随机播放选择框"), Find<QCheckBox>("切歌选择框"),
      Find<QLineEdit>("时间间隔设置"), Find<QComboBox>("组合框2")};
  auto expect_state = [&](bool running) {
    EXPECT_EQ(start->isEnabled(), !running);
    EXPECT_EQ(stop->isEnabled(), running);
    for (QWidget* w : running_only)
      EXPECT_EQ(w->isEnabled(), running) << w->objectName().toStdString();
  };

  EXPECT_EQ(window_->windowTitle(), "Quilla服务端");
  EXPECT_EQ(window_->size(), QSize(646, 430));
  EXPECT_EQ(Find<QLabel>("透明标签4")->text(), "当前局域网IP：192.168.1.20");
  EXPECT_EQ(Find<QGroupBox>("分组框1")->title(), "Quilla服务端V3.7");
  EXPECT_EQ(Find<QLineEdit>("时间间隔设置")->text(), "1");
  EXPECT_EQ(Find<QComboBox>("组合框2")->count(), 45);
  EXPECT_EQ(Find<QComboBox>("组合框1")->currentText(), "普通女声");
  EXPECT_EQ(Find<QLabel>("透明标签2")->text(), "欢迎使用本软件！");
  EXPECT_EQ(Find<QLabel>("歌曲名称")->text(), "当前暂无播放歌曲");
  EXPECT_EQ(Find<QLabel>("歌词文本")->text(), "当前暂无歌词");
  EXPECT_EQ(Find<QLabel>("歌曲时间")->text(), "00:00/00:00");
  expect_state(false);

  Click(start);
  ASSERT_TRUE(ProcessEventsUntil([&] { return Log().endsWith("音乐系统初始化成功\n"); }));
  expect_state(true);
  EXPECT_EQ(Find<QComboBox>("组合框2")->currentText(), "热歌");
  ProtocolPeer peer;
  EXPECT_TRUE(peer.Connect(port));  // really listening

  Click(stop);
  ASSERT_TRUE(ProcessEventsUntil([&] { return Log().endsWith("音乐系统已关闭\n"); }));
  expect_state(false);
  // Every append as the engine wrote it: CR LF become line breaks, nothing is added.
  EXPECT_EQ(Log(),
            "==Quilla服务端V3.7==\n\n服务端启动中....\n服务端启动成功\n\n音乐系统开启中....\n"
            "音乐系统初始化成功\n\n\n服务端停止中....\n服务端已停止\n\n关闭音乐系统中....\n"
            "音乐系统已关闭\n");

  // Start works again after Stop.
  Click(start);
  ASSERT_TRUE(ProcessEventsUntil([&] { return stop->isEnabled(); }));
  expect_state(true);
}

TEST_F(MainWindowTest, APortInUseReportsTheFailureAndStaysStopped) {
  PortBlocker blocker;
  ASSERT_TRUE(blocker.ok());
  Compose(blocker.port());

  Click(Find<QPushButton>("启动服务端"));
  const QString failure = QStringLiteral("\n服务端启动失败！！！\n");
  ASSERT_TRUE(ProcessEventsUntil([&] { return Log().contains(failure) && Log().endsWith("\n"); }));
  // One line with the reason follows the failure text.
  const QString reason = Log().mid(Log().indexOf(failure) + failure.size());
  EXPECT_FALSE(reason.trimmed().isEmpty());
  EXPECT_EQ(reason.count('\n'), 1) << reason.toStdString();
  EXPECT_FALSE(Log().contains("服务端启动成功"));

  EXPECT_TRUE(Find<QPushButton>("启动服务端")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>("关闭服务端")->isEnabled());
  EXPECT_FALSE(Find<QCheckBox>("切歌选择框")->isEnabled());
  EXPECT_FALSE(Find<QComboBox>("组合框2")->isEnabled());
}

// Closing the window and the tray's "退出" both save "sys.ini".
class ExitTest : public MainWindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ExitTest, SavesTheIntervalAndTheVoiceSwitch) {
  Compose(FreePort());
  StartServer();
  auto* interval = Find<QLineEdit>("时间间隔设置");
  interval->selectAll();
  QTest::keyClicks(interval, "15");
  ASSERT_TRUE(ProcessEventsUntil(
      [&] { return OnEngine([this] { return engine_->controls().interval_text; }) == "15"; }));
  Click(Find<QCheckBox>("语音开启选择框"));
  ASSERT_TRUE(
      ProcessEventsUntil([&] { return Find<QLabel>("标签3")->text() == "语音播报(双击此处)"; }));

  if (std::string(GetParam()) == "close") {
    window_->close();
  } else {
    TriggerMenuItem("菜单", "退出");
  }

  EXPECT_EQ(settings::ReadProfileString(sys_ini_, "Wind", "时间间隔"), "15");
  EXPECT_EQ(settings::ReadProfileString(sys_ini_, "Wind", "是否选中"), "真");
}

INSTANTIATE_TEST_SUITE_P(Ways, ExitTest, ::testing::Values("close", "tray_exit"));

TEST_F(MainWindowTest, StartDoesNotWaitForTheRadioListAndClosingStillSavesAtOnce) {
  slow_radio_ = std::make_unique<SlowRadio>();
  Compose(FreePort());
  StartServer();  // the buttons switch while the radio service still holds the list
  ASSERT_TRUE(slow_radio_->answer.WaitForArrivals(1));
  auto* interval = Find<QLineEdit>("时间间隔设置");
  interval->selectAll();
  QTest::keyClicks(interval, "25");
  ASSERT_TRUE(ProcessEventsUntil(
      [&] { return OnEngine([this] { return engine_->controls().interval_text; }) == "25"; }));

  const auto asked = std::chrono::steady_clock::now();
  window_->close();
  EXPECT_LT(std::chrono::steady_clock::now() - asked, 1s);
  EXPECT_EQ(settings::ReadProfileString(sys_ini_, "Wind", "时间间隔"), "25");
  EXPECT_EQ(settings::ReadProfileString(sys_ini_, "Wind", "是否选中"), "假");
  EXPECT_FALSE(slow_radio_->answer.is_open()) << "the service was still holding its answer";
}

TEST_F(MainWindowTest, ClosingWaitsForABusyEngineOnlyForAMomentAndStillSaves) {
  Compose(FreePort());
  StartServer();
  Click(Find<QCheckBox>("语音开启选择框"));
  ASSERT_TRUE(
      ProcessEventsUntil([&] { return Find<QLabel>("标签3")->text() == "语音播报(双击此处)"; }));
  // Something keeps the engine thread busy, however unlikely that is.
  auto busy = std::make_shared<quilla::testing::Gate>();
  host_.Post([busy] { busy->Wait(); });
  ASSERT_TRUE(busy->WaitForArrivals(1));

  const auto asked = std::chrono::steady_clock::now();
  window_->close();
  const auto waited = std::chrono::steady_clock::now() - asked;
  EXPECT_GE(waited, MainWindow::kExitWait - 50ms);
  EXPECT_LT(waited, MainWindow::kExitWait + 2s);
  EXPECT_EQ(settings::ReadProfileString(sys_ini_, "Wind", "是否选中"), "真");
  busy->Open();
}

struct StoredVoiceCase {
  const char* stored;
  bool enabled;
};
void PrintTo(const StoredVoiceCase& c, std::ostream* os) {
  *os << c.stored;
}

class StoredVoiceTest : public MainWindowTest,
                        public ::testing::WithParamInterface<StoredVoiceCase> {};

TEST_P(StoredVoiceTest, TheSavedSwitchDecidesTheVoiceWindowControls) {
  WriteSysIni(sys_ini_, "7", GetParam().stored);
  Compose(FreePort());
  ASSERT_TRUE(ProcessEventsUntil([&] { return Log().contains("\n读取配置文件完成\n"); }));
  ASSERT_TRUE(ProcessEventsUntil([&] { return Find<QLineEdit>("时间间隔设置")->text() == "7"; }));

  const bool enabled = GetParam().enabled;
  EXPECT_EQ(Find<QCheckBox>("语音开启选择框")->isChecked(), enabled);
  EXPECT_EQ(Find<QLabel>("标签3")->text(), enabled ? "语音播报(双击此处)" : "语音播报");
  EXPECT_EQ(Find<QPlainTextEdit>("语音播报内容")->isEnabled(), enabled);
  EXPECT_EQ(Find<QPushButton>("发送语音")->isEnabled(), enabled);
}

INSTANTIATE_TEST_SUITE_P(Stored, StoredVoiceTest,
                         ::testing::Values(StoredVoiceCase{"真", true},
                                           StoredVoiceCase{"假", false}),
                         [](const auto& info) { return info.param.enabled ? "On" : "Off"; });

TEST_F(MainWindowTest, SettingsButtonShowsAndHidesTheOnlineUsers) {
  Compose(FreePort());
  auto* users = Find<QGroupBox>("在线用户列表");
  EXPECT_GE(users->geometry().top(), 430);
  EXPECT_LE(users->geometry().bottom(), 620);

  Click(Find<QToolButton>("设置按钮"));
  EXPECT_EQ(window_->size(), QSize(646, 620));
  Click(Find<QToolButton>("设置按钮"));
  EXPECT_EQ(window_->size(), QSize(646, 430));
}

TEST_F(MainWindowTest, TrayClickAndMenuHideAndShowTheWindow) {
  Compose(FreePort());
  auto* tray = window_->findChild<QSystemTrayIcon*>(QStringLiteral("托盘图标"));
  ASSERT_NE(tray, nullptr);
  EXPECT_EQ(tray->toolTip(), "局域网点歌服务端！");
  const QStringList items = {"显示", "隐藏", "关于", "退出"};
  QStringList shown;
  for (QAction* a : tray->contextMenu()->actions()) shown << a->text();
  EXPECT_EQ(shown, items);

  emit tray->activated(QSystemTrayIcon::Trigger);
  EXPECT_FALSE(window_->isVisible());
  emit tray->activated(QSystemTrayIcon::Trigger);
  EXPECT_TRUE(window_->isVisible());
  TriggerMenuItem("菜单", "隐藏");
  EXPECT_FALSE(window_->isVisible());
  TriggerMenuItem("菜单", "显示");
  EXPECT_TRUE(window_->isVisible());
}

TEST_F(MainWindowTest, OperatorToolsReachTheSelectedUserOnly) {
  const int port = FreePort();
  Compose(port);
  StartServer();
  ProtocolPeer ann, bob;
  ASSERT_TRUE(ann.Connect(port));
  ASSERT_TRUE(bob.Connect(port));
  ASSERT_TRUE(ann.Join("Ann", "10.0.0.2"));
  ASSERT_TRUE(ProcessEventsUntil([&] { return Log().endsWith("\nAnn登陆点歌"); }));
  ASSERT_TRUE(bob.Join("Bob", "10.0.0.3"));
  auto* view = Find<QTableView>("超级列表框1");
  ASSERT_TRUE(ProcessEventsUntil([&] { return view->model()->rowCount() == 2; }));
  EXPECT_EQ(Column(view, 0), (QStringList{"Ann", "Bob"}));
  EXPECT_EQ(Column(view, 1), (QStringList{"10.0.0.2", "10.0.0.3"}));
  EXPECT_EQ(Column(view, 4), (QStringList{"正常点歌", "正常点歌"}));

  view->selectRow(1);
  TriggerMenuItem("踢人", "禁止点歌");
  EXPECT_FALSE(bob.WaitFor("禁止点歌", 3s).command.empty());
  ASSERT_TRUE(ProcessEventsUntil([&] {
    return Column(view, 4) == QStringList({"正常点歌", "禁止点歌"});
  }));
  TriggerMenuItem("踢人", "解除封印");
  EXPECT_FALSE(bob.WaitFor("正常点歌", 3s).command.empty());
  ASSERT_TRUE(ProcessEventsUntil([&] {
    return Column(view, 4) == QStringList({"正常点歌", "正常点歌"});
  }));
  TriggerMenuItem("踢人", "踢出此人");
  EXPECT_FALSE(bob.WaitFor("卸载", 3s).command.empty());

  // The broadcasts of the operator controls go to everybody.
  Click(Find<QCheckBox>("切歌选择框"));
  EXPECT_FALSE(ann.WaitFor("允许切歌", 3s).command.empty());
  EXPECT_FALSE(bob.WaitFor("允许切歌", 3s).command.empty());

  for (const char* command : {"禁止点歌", "正常点歌", "卸载"}) {
    EXPECT_TRUE(ann.MessagesOf(command).empty()) << command;
  }

  // Bob's connection ends: his row goes and the log says so.
  bob.Close();
  ASSERT_TRUE(ProcessEventsUntil([&] { return view->model()->rowCount() == 1; }));
  EXPECT_TRUE(Log().endsWith("\nBob离开了"));
}

TEST_F(MainWindowTest, ContextMenusOpenOnlyOverASelectedRow) {
  Compose(FreePort());
  AddRequest("Ann", "One");
  auto* view = Find<QTableView>("已点歌曲列表");
  ASSERT_TRUE(ProcessEventsUntil([&] { return view->model()->rowCount() == 1; }));
  QMenu* menu = Find<QMenu>("歌曲操作");
  auto right_click = [&] {
    const QPoint at = view->visualRect(view->model()->index(0, 0)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &event);
  };

  right_click();
  EXPECT_FALSE(menu->isVisible());
  view->selectRow(0);
  right_click();
  EXPECT_TRUE(menu->isVisible());
  menu->hide();
}

TEST_F(MainWindowTest, QueueEditingAndDoubleClickPlayGoToTheEngine) {
  Compose(FreePort());
  for (const char* title : {"A", "B", "C", "D"}) AddRequest("Ann", title);
  auto* view = Find<QTableView>("已点歌曲列表");
  ASSERT_TRUE(ProcessEventsUntil([&] { return view->model()->rowCount() == 4; }));
  EXPECT_EQ(Column(view, 1), (QStringList{"A", "B", "C", "D"}));
  EXPECT_EQ(Column(view, 3)[0], "http://song/A");

  view->selectRow(1);
  TriggerMenuItem("歌曲操作", "删除选中");
  ASSERT_TRUE(ProcessEventsUntil([&] { return Column(view, 1) == QStringList({"A", "C", "D"}); }));

  // A double-click below the last row plays nothing.
  const QRect last = view->visualRect(view->model()->index(2, 0));
  ASSERT_LT(last.bottom() + 10, view->viewport()->height());
  DoubleClick(view->viewport(), QPoint(10, last.bottom() + 10));
  QTest::qWait(50);
  EXPECT_TRUE(PlayerCalls().empty());

  // A double-click on "C" plays it and takes its row out after the short pause.
  DoubleClick(view->viewport(), view->visualRect(view->model()->index(1, 1)).center());
  ASSERT_TRUE(ProcessEventsUntil([&] { return Column(view, 1) == QStringList({"A", "D"}); }));
  EXPECT_EQ(PlayerCalls().at(1), "create http://song/C");
  ASSERT_TRUE(ProcessEventsUntil([&] { return Find<QLabel>("歌曲名称")->text() == "C - Singer"; }));
  EXPECT_EQ(Find<QGroupBox>("分组框3")->title(), "正在点歌播放");
  EXPECT_EQ(Find<QLabel>("透明标签2")->text(), "当前歌曲来自 Ann 点播的《C》");

  TriggerMenuItem("歌曲操作", "清空所有");
  ASSERT_TRUE(ProcessEventsUntil([&] { return view->model()->rowCount() == 0; }));
}

TEST_F(MainWindowTest, PicShowsTheDownloadedCoverAndTheDefaultAfterStop) {
  LocalHttpServer http;
  const std::string png = PngOf(Qt::red, 16);
  http.server().Get("/cover.png", [&](const httplib::Request&, httplib::Response& response) {
    response.set_content(png, "image/png");
  });
  http.Start();
  Compose(FreePort());
  StartServer();
  auto* pic = Find<QLabel>("Pic");
  auto centre_colour = [&] {
    const QImage image = pic->pixmap().toImage();
    return image.isNull() ? QColor() : QColor(image.pixel(image.width() / 2, image.height() / 2));
  };
  const QColor default_colour = centre_colour();
  ASSERT_TRUE(default_colour.isValid());
  EXPECT_NE(default_colour, QColor(Qt::red));

  AddRequest("Ann", "Red", http.Url("/cover.png"));
  OnEngine([this] { engine_->PlayRowNow(0); });
  ASSERT_TRUE(ProcessEventsUntil([&] { return centre_colour() == QColor(Qt::red); }));

  Click(Find<QPushButton>("关闭服务端"));
  ASSERT_TRUE(ProcessEventsUntil([&] { return centre_colour() == default_colour; }));
  EXPECT_EQ(Find<QLabel>("歌曲名称")->text(), "当前暂无播放歌曲");
}

TEST_F(MainWindowTest, SliderSeeksOnReleaseAndPictureButtonsFollowThePause) {
  Compose(FreePort());
  StartServer();
  AddRequest("Ann", "Song");
  OnEngine([this] { engine_->PlayRowNow(0); });
  const StreamHandle stream = OnEngine([this] { return engine_->current_stream(); });
  ASSERT_NE(stream, 0);
  const std::string prefix = "seek " + std::to_string(stream) + " ";

  auto* slider = Find<QSlider>("歌曲进度");
  slider->setSliderDown(true);
  slider->setSliderPosition(500);
  // A tick while the operator holds the handle does not pull it away.
  OnEngine([this] { engine_->ProgressTick(ProgressMode::kRequest); });
  QTest::qWait(30);
  EXPECT_EQ(slider->value(), 500);
  slider->setSliderDown(false);
  const std::string seek_half = prefix + std::to_string(90 * kBytesPerSecond);
  ASSERT_TRUE(ProcessEventsUntil([&] { return PlayerCalls().back() == seek_half; }));
  // The seek's own tick shows the new place.
  ASSERT_TRUE(
      ProcessEventsUntil([&] { return Find<QLabel>("歌曲时间")->text() == "01:30 | 03:00"; }));

  auto* pause = Find<QToolButton>("暂停播放");
  auto* resume = Find<QToolButton>("继续播放");
  EXPECT_FALSE(pause->isHidden());
  EXPECT_TRUE(resume->isHidden());
  Click(pause);
  ASSERT_TRUE(ProcessEventsUntil([&] { return !resume->isHidden() && pause->isHidden(); }));
  EXPECT_EQ(PlayerCalls().back(), "pause " + std::to_string(stream));
  Click(resume);
  ASSERT_TRUE(ProcessEventsUntil([&] { return resume->isHidden() && !pause->isHidden(); }));
  EXPECT_EQ(PlayerCalls().back(), "play " + std::to_string(stream));

  // "切歌" with an empty queue asks the radio for the next song; its list is empty here.
  ASSERT_TRUE(ProcessEventsUntil(
      [&] { return Find<QTableView>("已点歌曲列表")->model()->rowCount() == 0; }));
  Click(Find<QToolButton>("切歌"));
  ASSERT_TRUE(ProcessEventsUntil([&] { return Log().contains("随机电台歌曲列表为空"); }));

  // A key moves the slider without a held handle: that seeks at once, and the snapshots
  // that follow move the slider without seeking again.
  QTest::keyClick(slider, Qt::Key_End);
  const std::string seek_end = prefix + std::to_string(180 * kBytesPerSecond);
  ASSERT_TRUE(ProcessEventsUntil([&] { return PlayerCalls().back() == seek_end; }));
  QTest::qWait(50);
  std::vector<std::string> seeks;
  for (const auto& call : PlayerCalls()) {
    if (call.starts_with("seek ")) seeks.push_back(call);
  }
  EXPECT_EQ(seeks, (std::vector<std::string>{seek_half, seek_end}));
}

TEST_F(MainWindowTest, VoiceWindowSendsOnlyWhileTheSwitchIsOn) {
  Compose(FreePort());
  auto* label = Find<QLabel>("标签3");
  VoiceWindow* voice = window_->voice_window();
  auto* text = Find<QPlainTextEdit>("语音播报内容");
  auto* send = Find<QPushButton>("发送语音");
  EXPECT_EQ(text->toPlainText(), "请输入你想要说的话");

  DoubleClick(label, label->rect().center());
  EXPECT_FALSE(voice->isVisible());
  EXPECT_FALSE(send->isEnabled());

  Click(Find<QCheckBox>("语音开启选择框"));
  ASSERT_TRUE(ProcessEventsUntil([&] { return label->text() == "语音播报(双击此处)"; }));
  EXPECT_TRUE(text->isEnabled());
  EXPECT_TRUE(send->isEnabled());
  DoubleClick(label, label->rect().center());
  EXPECT_TRUE(voice->isVisible());
  EXPECT_TRUE(voice->isModal());
  EXPECT_EQ(text->toPlainText(), "请输入你想要说的话");

  // Each visit to the box clears it.
  QFocusEvent focus_in(QEvent::FocusIn, Qt::MouseFocusReason);
  QApplication::sendEvent(text, &focus_in);
  EXPECT_EQ(text->toPlainText(), "");

  auto* voices = Find<QComboBox>("组合框1");
  for (int i = 0; i < 3; ++i) QTest::keyClick(voices, Qt::Key_Down);
  ASSERT_TRUE(ProcessEventsUntil(
      [&] { return OnEngine([this] { return engine_->controls().voice; }) == 3; }));
  text->setPlainText("大家好");
  Click(send);
  ASSERT_TRUE(
      ProcessEventsUntil([&] { return !OnEngine([this] { return speaker_.spoken; }).empty(); }));
  EXPECT_EQ(OnEngine([this] { return speaker_.spoken; }),
            (std::vector<std::pair<std::string, int>>{{"大家好", 3}}));
  EXPECT_TRUE(voice->isVisible());  // the window stays open

  Click(Find<QCheckBox>("语音开启选择框"));
  ASSERT_TRUE(ProcessEventsUntil([&] { return !send->isEnabled(); }));
  EXPECT_FALSE(text->isEnabled());
  EXPECT_EQ(label->text(), "语音播报");
  voice->close();
}

}  // namespace
}  // namespace quilla::server::testing
