// Renders the client's main window on an X server without a compositing manager (run it
// under `xvfb-run -a -s "-screen 0 1280x800x24"`) for the documentation:
// client_app_screenshots <out-dir> writes the three pages before connecting
// (client-main-online.png, client-main-history.png, client-main-settings.png) and after
// connecting to a stand-in server that plays a song with a cover, a lyrics line and a
// queue (client-main-online-connected.png, client-main-panel-connected.png,
// client-main-history-connected.png, client-main-settings-connected.png).

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QStyleFactory>
#include <QWindow>

#include "client/app/main_window.h"
#include "client/ui/platform_choice.h"
#include "protocol/messages.h"
#include "settings/list_view_dump.h"
#include "support/local_http_server.h"
#include "support/screenshots.h"
#include "support/stand_in_server.h"
#include "support/temp_dir.h"
#include "support/test_png.h"

namespace {

using quilla::client::MainWindow;
using quilla::testing::SaveScreenArea;
using quilla::testing::Settle;

// A cover for the stand-in song, drawn here: dusk over the sea.
std::string CoverPng() {
  QImage cover(300, 300, QImage::Format_RGB32);
  QPainter p(&cover);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 300);
  sky.setColorAt(0, QColor(0x2b, 0x3a, 0x67));
  sky.setColorAt(0.55, QColor(0xf2, 0x9e, 0x6b));
  sky.setColorAt(1, QColor(0x1d, 0x4e, 0x6b));
  p.fillRect(cover.rect(), sky);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xff, 0xe0, 0x9a));
  p.drawEllipse(QPointF(150, 168), 46, 46);
  p.setBrush(QColor(0x1d, 0x4e, 0x6b));
  p.drawRect(0, 170, 300, 130);
  p.setBrush(QColor(255, 255, 255, 60));
  for (int y = 184; y < 290; y += 14) p.drawRect(110 - (y - 170) / 3, y, 80 + (y - 170) * 2 / 3, 3);
  p.end();
  return quilla::testing::PngBytes(cover);
}

void WriteHistory(const std::filesystem::path& file) {
  quilla::settings::ListViewTable table;
  table.column_titles = {"歌曲名称", "歌手名称", "获取地址成功才能点歌", "歌曲封面", "歌词", ""};
  table.column_widths = {150, 100, 529, 0, 0, 0};
  table.rows = {{"海边的风", "林夏", "http://192.168.1.20:8801/media/12", "", "", ""},
                {"晚安北京", "周以", "http://192.168.1.20:8801/media/7", "", "", ""},
                {"Morning Tea", "The Lanterns", "http://192.168.1.20:8801/media/31", "", "", ""},
                {"夏天的尾巴", "陈小满", "http://192.168.1.20:8801/media/3", "", "", ""}};
  quilla::settings::SaveListView(table, file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: client_app_screenshots <out-dir>\n");
    return 2;
  }
  quilla::client::ChooseXcbUnlessChosen(argc, argv);
  QApplication app(argc, argv);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  const QString out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out);
  bool ok = true;

  quilla::testing::ScreenshotDesktop desktop;
  desktop.setGeometry(QGuiApplication::primaryScreen()->geometry());
  desktop.show();
  ok &= Settle([&] { return desktop.windowHandle()->isExposed(); });

  quilla::testing::LocalHttpServer web;
  const std::string cover = CoverPng();
  web.server().Get("/cover/12", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(cover, "image/png");
  });
  web.Start();
  quilla::testing::StandInServer server;

  quilla::testing::TempDir dir;
  quilla::client::ClientSettings settings(dir.path());
  quilla::client::ProfileSettings profile;
  profile.ip = "127.0.0.1";
  profile.port = std::to_string(server.port());
  profile.nickname = "小林";
  profile.notice = "公告：周五晚八点，三楼活动室点歌会！";
  profile.popups = false;
  profile.show_lyrics = true;
  settings.SaveProfile(profile);
  WriteHistory(settings.RequestHistoryFile());

  MainWindow window{quilla::client::ClientSettings(dir.path())};
  window.Start();
  window.lyrics().Hide();  // the band is shown in its own pictures
  window.move(280, 120);
  window.show();
  auto& c = window.controls();
  const QRect area = window.geometry().adjusted(-16, -16, 16, 16);
  auto shoot = [&](int page, const char* file) {
    window.ShowPage(page);
    ok &= Settle([&] { return !window.panel().sliding(); });
    app.processEvents();
    ok &= Settle([&] { return window.windowHandle()->isExposed(); });
    ok &= SaveScreenArea(area, out + QLatin1Char('/') + QLatin1String(file));
  };
  shoot(0, "client-main-online.png");
  shoot(1, "client-main-history.png");
  shoot(2, "client-main-settings.png");

  window.ShowPage(0);
  c.connect_button->click();
  ok &= Settle([&] { return c.connect_button->text() == QStringLiteral("已连接"); });
  ok &= server.WaitForMessages(quilla::protocol::Command::kUserJoin);
  namespace p = quilla::protocol;
  server.Broadcast({p::BuildFirstState("", "当前暂无播放歌曲", ""), p::BuildRequestInterval("10"),
                    p::BuildSkipButtonShown(true), p::BuildQueueEntry("晚安北京", "阿杰"),
                    p::BuildQueueEntry("Morning Tea", "Mia"),
                    p::BuildQueueEntry("夏天的尾巴", "小雨")});
  server.Broadcast({p::BuildSongPlaying("小林", "海边的风", "林夏", web.Url("/cover/12")),
                    p::BuildSongProgress("172"), p::BuildSongTime("01:45 | 04:05"),
                    p::BuildLyricsLine("风吹过海边的小镇 我们都还年少")});
  ok &= Settle([&] {
    return c.queue_model->rowCount() == 3 && !c.cover->picture().isNull() &&
           c.progress_bar->width() == 172 && !window.panel().sliding();
  });
  shoot(0, "client-main-online-connected.png");
  window.panel().SnapTo(quilla::client::PanelSlider::kOpenLeft);
  shoot(0, "client-main-panel-connected.png");
  window.panel().SnapTo(quilla::client::PanelSlider::kClosedLeft);
  shoot(1, "client-main-history-connected.png");
  shoot(2, "client-main-settings-connected.png");
  return ok ? 0 : 1;
}
