// The session on screen: a stand-in server says exactly what the client receives, and the
// window's controls, the desktop lyrics line, the balloons, the panel and the cover follow.

#include <condition_variable>
#include <mutex>

#include "client/app/window_fixture.h"
#include "protocol/messages.h"
#include "support/local_http_server.h"
#include "support/stand_in_server.h"

namespace quilla::client::testing {
namespace {

namespace p = quilla::protocol;
using quilla::testing::LocalHttpServer;
using quilla::testing::StandInServer;

// Answers for pictures; "/slow/..." waits until released (or a minute).
class PictureService {
 public:
  PictureService() {
    http_.server().Get("/red.png", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(PngOf(Qt::red), "image/png");
    });
    http_.server().Get("/blue.png", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(PngOf(Qt::blue), "image/png");
    });
    http_.server().Get("/slow/red.png", [this](const httplib::Request&, httplib::Response& res) {
      std::unique_lock lock(mutex_);
      released_cv_.wait_for(lock, std::chrono::minutes(1), [this] { return released_; });
      res.set_content(PngOf(Qt::red), "image/png");
    });
    http_.Start();
  }
  ~PictureService() {
    Release();
    http_.Stop();
  }
  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    released_cv_.notify_all();
  }
  std::string Url(const std::string& path) const { return http_.Url(path); }
  bool Arrived(const std::string& path) const { return !http_.ArrivalsAt(path).empty(); }
  std::size_t Handled(const std::string& path) const {
    std::size_t n = 0;
    for (const auto& r : http_.Requests()) n += r.path == path ? 1 : 0;
    return n;
  }

 private:
  LocalHttpServer http_;
  std::mutex mutex_;
  std::condition_variable released_cv_;
  bool released_ = false;
};

class SessionOnScreenTest : public WindowFixture {
 protected:
  // Connects the window to the stand-in server with the button.
  void Connect() {
    c().ip_box->setText(QStringLiteral("127.0.0.1"));
    c().port_box->setText(QString::number(server_.port()));
    c().connect_button->click();
    ASSERT_TRUE(ProcessEventsUntil([&] { return c().connect_button->text() == "已连接"; }));
    ASSERT_TRUE(server_.WaitForMessages(p::Command::kUserJoin));
  }
  void Send(std::vector<std::string> blocks) { server_.Broadcast(blocks); }
  QStringList QueueRows() const {
    QStringList rows;
    const QStandardItemModel* model = window_->controls().queue_model;
    for (int r = 0; r < model->rowCount(); ++r) {
      rows << model->item(r, 0)->text() + "/" + model->item(r, 1)->text();
    }
    return rows;
  }
  bool RequestControlsEnabled(bool enabled) {
    return c().result_list->isEnabled() == enabled && c().history_list->isEnabled() == enabled &&
           c().search_box->isEnabled() == enabled;
  }

  StandInServer server_;
};

TEST_F(SessionOnScreenTest, ConnectingEnablesTheRequestControlsAndPutsThePanelAway) {
  Open();
  c().nickname_box->setText(QStringLiteral("Ann"));
  Connect();
  EXPECT_FALSE(c().connect_button->isEnabled());
  EXPECT_EQ(c().status_line->text(), QStringLiteral("连接服务端成功！"));
  EXPECT_EQ(c().connection_status->text(), QStringLiteral("Quilla客户端 V3.7"));
  EXPECT_TRUE(RequestControlsEnabled(true));
  EXPECT_FALSE(c().load_more->isEnabled());  // waits for a full page of results
  EXPECT_TRUE(c().voice_send->isEnabled());
  EXPECT_TRUE(window().panel().sliding() || c().panel->x() == 580);
  EXPECT_TRUE(PanelAt(580));
  const auto joins = server_.Received();
  EXPECT_EQ(p::FieldsUtf8(joins.back()).at(0), "Ann");
}

TEST_F(SessionOnScreenTest, AutoConnectJoinsAtStartWithoutAPress) {
  ProfileSettings profile;
  profile.ip = "127.0.0.1";
  profile.port = std::to_string(server_.port());
  profile.nickname = "Auto";
  profile.auto_connect = true;
  ASSERT_TRUE(ClientSettings(dir()).SaveProfile(profile));
  Open();
  // The start-up connect does not say "连接中...".
  EXPECT_EQ(c().connection_status->text(), QStringLiteral("Quilla客户端 V3.7"));
  EXPECT_FALSE(c().connect_button->isEnabled());
  ASSERT_TRUE(ProcessEventsUntil([&] { return c().connect_button->text() == "已连接"; }));
  ASSERT_TRUE(server_.WaitForMessages(p::Command::kUserJoin));
  EXPECT_EQ(p::FieldsUtf8(server_.Received().back()).at(0), "Auto");
  EXPECT_TRUE(c().auto_connect_box->isChecked());
}

TEST_F(SessionOnScreenTest, EveryServerMessageReachesItsControl) {
  MainWindow& w = Open();
  c().nickname_box->setText(QStringLiteral("Ann"));
  Connect();

  Send({p::BuildFirstState("Bob", "Intro-Band", "")});
  EXPECT_TRUE(ProcessEventsUntil([&] { return c().song_caption->text() == "Intro-Band(Bob)"; }));

  Send({p::BuildQueueEntry("A", "Bob"), p::BuildQueueEntry("B", "Cy"),
        p::BuildQueueEntry("C", "Bob"), p::BuildSongAdded("D", "Di")});
  EXPECT_TRUE(ProcessEventsUntil([&] {
    return QueueRows() == QStringList{"A/Bob", "B/Cy", "C/Bob", "D/Di"};
  }));

  // The song "B" starts: the lyrics line (window and desktop), the caption, and only the
  // matching row leaves the list.
  Send({p::BuildSongPlaying("Cy", "B", "Singer", "")});
  EXPECT_TRUE(ProcessEventsUntil([&] {
    return QueueRows() == QStringList{"A/Bob", "C/Bob", "D/Di"};
  }));
  EXPECT_EQ(c().song_caption->text(), QStringLiteral("B-Singer (Cy)"));
  EXPECT_EQ(c().lyrics_line->text(), QStringLiteral("B-Singer"));
  EXPECT_EQ(w.lyrics().text(), QStringLiteral("B-Singer"));
  EXPECT_FALSE(w.tray().balloon_shown());  // "是否弹窗" is not ticked

  Send({p::BuildSongProgress("200.75"), p::BuildSongTime("01:10 | 03:00"),
        p::BuildLyricsLine("第一句歌词\r\n")});  // a line comes with its line break
  EXPECT_TRUE(ProcessEventsUntil([&] { return w.lyrics().text() == "第一句歌词"; }));
  EXPECT_EQ(c().progress_bar->width(), 200);
  EXPECT_EQ(c().progress_bar->height(), 3);
  EXPECT_EQ(c().time_text->text(), QStringLiteral("01:10 | 03:00"));
  EXPECT_EQ(c().lyrics_line->text(), QStringLiteral("第一句歌词"));

  Send({p::BuildSkipAllowed()});
  EXPECT_TRUE(ProcessEventsUntil([&] { return c().skip_button->isVisible(); }));
  EXPECT_EQ(c().status_line->text(), QStringLiteral("你可以切歌了！"));
  Send({p::BuildSkipButtonShown(false)});
  EXPECT_TRUE(ProcessEventsUntil([&] { return !c().skip_button->isVisible(); }));
  Send({p::BuildSkipButtonShown(true)});
  EXPECT_TRUE(ProcessEventsUntil([&] { return c().skip_button->isVisible(); }));
  Send({p::BuildSkipForbidden()});
  EXPECT_TRUE(ProcessEventsUntil([&] { return !c().skip_button->isVisible(); }));
  EXPECT_EQ(c().status_line->text(), QStringLiteral("你的切歌功能被禁止了"));

  Send({p::BuildRequestsForbidden()});
  EXPECT_TRUE(ProcessEventsUntil([&] { return RequestControlsEnabled(false); }));
  EXPECT_FALSE(c().load_more->isEnabled());
  EXPECT_EQ(c().status_line->text(), QStringLiteral("你已经被禁止点歌了！"));
  Send({p::BuildRequestsAllowed()});
  EXPECT_TRUE(ProcessEventsUntil([&] { return RequestControlsEnabled(true); }));
  EXPECT_TRUE(c().load_more->isEnabled());
  EXPECT_EQ(c().status_line->text(), QStringLiteral("你已经可以正常点歌了！"));

  Send({p::BuildSkipNotice("Bob"), p::BuildRequestInterval("15")});
  EXPECT_TRUE(ProcessEventsUntil([&] { return w.link().state().request_interval_s == 15; }));
  EXPECT_EQ(c().status_line->text().toStdString(), p::SkipNoticeText("Bob"));

  // Balloons only while "是否弹窗" is ticked.
  Send({p::BuildQueueLow()});
  Send({p::BuildSongTime("sync")});
  ASSERT_TRUE(ProcessEventsUntil([&] { return c().time_text->text() == "sync"; }));
  EXPECT_FALSE(w.tray().balloon_shown());
  c().popup_box->click();
  Send({p::BuildRadioSong("C", "Radio", "")});
  ASSERT_TRUE(ProcessEventsUntil([&] { return w.tray().balloon_shown(); }));
  EXPECT_EQ(w.tray().balloon_title(), QStringLiteral("播放歌曲通知！"));
  EXPECT_EQ(w.tray().balloon_text(), QStringLiteral("当前播放的歌曲来自系统随机点播的C"));
  EXPECT_EQ(QueueRows(), (QStringList{"A/Bob", "D/Di"}));
}

TEST_F(SessionOnScreenTest, ALostConnectionResetsThePanelAndTheQueue) {
  Open();
  Connect();
  Send({p::BuildQueueEntry("A", "Bob"), p::BuildSongPlaying("Bob", "Now", "Singer", ""),
        p::BuildSkipAllowed()});
  ASSERT_TRUE(
      ProcessEventsUntil([&] { return c().skip_button->isVisible() && QueueRows().size() == 1; }));
  ASSERT_TRUE(PanelAt(580));

  server_.Stop();
  ASSERT_TRUE(ProcessEventsUntil([&] { return c().connection_status->text() == "已断开连接！"; }));
  EXPECT_EQ(c().connect_button->text(), QStringLiteral("重新连接"));
  EXPECT_TRUE(c().connect_button->isEnabled());
  EXPECT_EQ(c().queue_model->rowCount(), 0);
  EXPECT_TRUE(RequestControlsEnabled(false));
  EXPECT_FALSE(c().load_more->isEnabled());
  EXPECT_EQ(c().panel->x(), 396);  // at once, no slide
  EXPECT_FALSE(window().panel().sliding());
  EXPECT_EQ(c().welcome_line->text(), QStringLiteral("欢迎使用本软件！"));
  // What was playing and the skip permission stay.
  EXPECT_EQ(c().song_caption->text(), QStringLiteral("Now-Singer (Bob)"));
  EXPECT_TRUE(c().skip_button->isVisible());
}

TEST_F(SessionOnScreenTest, TheCoverComesFromAWorkerAndALateOneIsDropped) {
  PictureService pictures;
  MainWindow& w = Open();
  Connect();
  Send({p::BuildSongPlaying("Bob", "One", "S", pictures.Url("/slow/red.png"))});
  ASSERT_TRUE(ProcessEventsUntil([&] { return pictures.Arrived("/slow/red.png"); }));
  // While that picture is on its way, the window follows the server as usual.
  Send({p::BuildSongProgress("120")});
  EXPECT_TRUE(ProcessEventsUntil([&] { return c().progress_bar->width() == 120; }));
  EXPECT_TRUE(c().cover->picture().isNull());

  // The next song's cover arrives first; the old one, answered later, is dropped.
  Send({p::BuildSongPlaying("Bob", "Two", "S", pictures.Url("/blue.png"))});
  ASSERT_TRUE(ProcessEventsUntil([&] { return !c().cover->picture().isNull(); }));
  EXPECT_EQ(Middle(c().cover->picture()), QColor(Qt::blue));
  pictures.Release();
  ASSERT_TRUE(ProcessEventsUntil([&] { return pictures.Handled("/slow/red.png") == 1; }));
  ASSERT_TRUE(ProcessEventsUntil([&] { return PictureFetcher::running() == 0; }));
  QCoreApplication::processEvents();
  EXPECT_EQ(Middle(c().cover->picture()), QColor(Qt::blue));

  // A cover that cannot be fetched leaves an empty picture.
  Send({p::BuildSongPlaying("Bob", "Three", "S", pictures.Url("/missing.png"))});
  EXPECT_TRUE(ProcessEventsUntil([&] { return c().cover->picture().isNull(); }));
  (void)w;
}

TEST_F(SessionOnScreenTest, ClosingNeverWaitsForACover) {
  PictureService pictures;
  Open();
  Connect();
  Send({p::BuildSongPlaying("Bob", "One", "S", pictures.Url("/slow/red.png"))});
  ASSERT_TRUE(ProcessEventsUntil([&] { return pictures.Arrived("/slow/red.png"); }));
  const auto started = std::chrono::steady_clock::now();
  window().close();
  Close();
  // The fetch would end by its own time limit after 10 s; the window is gone long before.
  EXPECT_LT(std::chrono::steady_clock::now() - started, PictureFetcher::kTimeout / 4);
  // The cancelled fetch ends by itself, unanswered.
  EXPECT_TRUE(PictureFetcher::WaitForFetches(PictureFetcher::kTimeout / 2));
  EXPECT_EQ(pictures.Handled("/slow/red.png"), 0u);
}

}  // namespace
}  // namespace quilla::client::testing
