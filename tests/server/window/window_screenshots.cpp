// Draws the server window with a busy evening's state and saves it at both heights, for
// docs/screenshots: server_window_screenshots <out-dir>. The engine is the real one; the
// transport, player and speaker are the test fakes, and the cover comes from a loopback
// HTTP service, so the picture takes the same download path as in the program.

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QLinearGradient>
#include <QPainter>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <string>

#include "protocol/messages.h"
#include "server/app/engine_host.h"
#include "server/app/server_engine.h"
#include "server/app/window/main_window.h"
#include "server/fakes/fake_audio_player.h"
#include "server/fakes/fake_services.h"
#include "support/qt_test_support.h"
#include "support/local_http_server.h"

namespace {

using namespace quilla::server;
using namespace quilla::server::testing;
using namespace quilla::testing;

std::string CoverPng() {
  QImage image(240, 240, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 240);
  sky.setColorAt(0, QColor(0x8e, 0xc5, 0xfc));
  sky.setColorAt(1, QColor(0xe0, 0xc3, 0xfc));
  p.fillRect(image.rect(), sky);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 200));
  p.drawEllipse(QPointF(170, 70), 34, 34);
  p.setBrush(QColor(0x4a, 0x6f, 0x8a));
  p.drawRect(0, 170, 240, 70);
  p.end();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes.toStdString();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: server_window_screenshots <out-dir>\n");
    return 2;
  }
  const QString out_dir = QString::fromLocal8Bit(argv[1]);
  QApplication app(argc, argv);
  QDir().mkpath(out_dir);

  quilla::testing::LocalHttpServer http;
  const std::string cover = CoverPng();
  http.server().Get("/cover.png", [&](const httplib::Request&, httplib::Response& response) {
    response.set_content(cover, "image/png");
  });
  http.Start();

  EngineHost host;
  FakeListener listener;
  RecordingOutbox outbox;
  FakeAudioPlayer player;
  FakeSpeaker speaker;
  FakeRadioService radio;
  ObserverList observers;
  EngineDependencies deps;
  deps.outbox = &outbox;
  deps.listener = &listener;
  deps.player = &player;
  deps.speaker = &speaker;
  deps.radio = &radio;
  deps.deferrer = &host;
  deps.work = &host;
  deps.timers = &host;
  deps.observer = &observers;
  ServerEngine engine(deps, 800);
  const std::filesystem::path sys_ini = std::filesystem::path(out_dir.toStdString()) / "sys.ini";
  MainWindow window(host, engine, sys_ini);
  observers.Add(window.observer());
  host.Start();  // no tick handler: the picture stays as set up below
  host.PostAndWait([&] {
    engine.Create(sys_ini, "192.168.1.20");
    engine.StartServer();
    const char* names[] = {"小明", "阿杰", "Lily", "王老师"};
    for (int i = 0; i < 4; ++i) {
      engine.OnConnected(300 + i);
      engine.OnData(300 + i, quilla::protocol::BuildUserJoin(
                                 names[i], "192.168.1." + std::to_string(31 + i)));
    }
    engine.Ban(302);
    engine.SetAllowSkip(true);
    engine.SetVoiceEnabled(true);
    const char* songs[][3] = {{"小明", "晴天", "周杰伦"},
                              {"阿杰", "后来", "刘若英"},
                              {"Lily", "Yesterday", "The Beatles"},
                              {"王老师", "平凡之路", "朴树"},
                              {"阿杰", "海阔天空", "Beyond"}};
    for (auto& s : songs) {
      quilla::protocol::SongRequest r{s[0],
                                      s[1],
                                      s[2],
                                      std::string("http://music.lan/") + s[1] + ".mp3",
                                      http.Url("/cover.png"),
                                      "[01:15.50]从前从前 有个人爱你很久\r\n"
                                      "[01:16.20]但偏偏 风渐渐 把距离吹得好远\r\n"};
      engine.OnData(300, quilla::protocol::BuildRequestSong(r));
    }
    engine.PlayRowNow(0);
  });
  // The song's stream opens as an event of its own; then it stands at 01:16.
  host.PostAndWait([&] {
    player.stream(engine.current_stream()).position = 76 * kBytesPerSecond + 40000;
    player.stream(engine.current_stream()).length = 269 * kBytesPerSecond;
    engine.ProgressTick(ProgressMode::kRequest);
  });
  window.show();

  int status = 1;
  // The row of the song that started leaves after its short pause, the cover arrives.
  QTimer::singleShot(800, [&] {
    const bool collapsed = window.grab().save(out_dir + "/server-430.png");
    QTest::mouseClick(window.findChild<QToolButton*>(QStringLiteral("设置按钮")), Qt::LeftButton);
    QTimer::singleShot(200, [&, collapsed] {
      const bool expanded = window.grab().save(out_dir + "/server-620.png");
      status = collapsed && expanded ? 0 : 1;
      app.exit(status);
    });
  });
  app.exec();
  host.Shutdown();
  http.Stop();
  return status;
}
