// Renders the client's desktop pieces on an X server without a compositing manager (run it
// under `xvfb-run -a -s "-screen 0 1280x800x24"`), over a painted desktop, for the
// documentation: client_ui_screenshots <out-dir> writes client-lyrics-mode0.png,
// client-lyrics-mode1.png, client-lyrics-mode2.png (the lyrics line in its three gradient modes),
// client-ring.png (a caption-less window with its shadow ring and header buttons) and
// client-balloon.png (the balloon popup above the lyrics band).

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QScreen>
#include <QWindow>

#include <cstdio>

#include "client/ui/balloon_popup.h"
#include "client/ui/desktop_lyrics_window.h"
#include "client/ui/header_drag.h"
#include "client/ui/picture_button.h"
#include "client/ui/platform_choice.h"
#include "client/ui/tray_icon.h"
#include "client/ui/window_shadow.h"
#include "support/screenshots.h"

namespace {

using quilla::client::DesktopLyricsWindow;
using quilla::testing::SaveScreenArea;
using quilla::testing::ScreenPixel;
using quilla::testing::Settle;

// Stands for the client's main window: a left strip and a header strip with the chrome.
QWidget* MakeMainWindow() {
  auto* main = new QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint);
  main->setWindowTitle(QStringLiteral("Quilla客户端"));
  main->setFixedSize(698, 500);
  main->setAutoFillBackground(true);
  QPalette colours = main->palette();
  colours.setColor(QPalette::Window, QColor(0xfa, 0xfa, 0xfa));
  main->setPalette(colours);
  auto* left = new QLabel(QStringLiteral("\n\n\n  小猪猪\n  累计点歌0次"), main);
  left->setGeometry(0, 0, 120, 500);
  left->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  left->setStyleSheet(QStringLiteral("background:#2f3a46;color:#e8ecef;font-size:14px;"));
  auto* strip = new QLabel(QStringLiteral("   在线点歌"), main);
  strip->setGeometry(120, 0, 578, 63);
  strip->setStyleSheet(QStringLiteral("background:#eef1f4;color:#2f3a46;font-size:18px;"));
  quilla::client::AddMinimizeButton(strip, main, QPoint(510, 0));
  quilla::client::AddCloseButton(strip, QPoint(546, 0));
  quilla::client::DragWindowByStrip(strip, main);
  return main;
}

// The desktop shows the line's opaque pixels in the line's colours.
bool LineIsOnScreen(const DesktopLyricsWindow& lyrics) {
  const quilla::client::PaintedLine& line = lyrics.painted();
  const QImage shown =
      QGuiApplication::primaryScreen()
          ->grabWindow(0, line.area.x() + lyrics.window()->x(),
                       line.area.y() + lyrics.window()->y(), line.area.width(), line.area.height())
          .toImage();
  int opaque = 0;
  for (int y = 0; y < line.pixels.height(); ++y) {
    for (int x = 0; x < line.pixels.width(); ++x) {
      const QRgb drawn = line.pixels.pixel(x, y);
      if (qAlpha(drawn) != 255) continue;
      ++opaque;
      if ((shown.pixel(x, y) & 0xFFFFFF) != (drawn & 0xFFFFFF)) return false;
    }
  }
  return opaque > 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: client_ui_screenshots <out-dir>\n");
    return 2;
  }
  quilla::client::ChooseXcbUnlessChosen(argc, argv);
  QApplication app(argc, argv);
  const QString out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out);
  bool ok = true;

  quilla::testing::ScreenshotDesktop desktop;
  desktop.setGeometry(QGuiApplication::primaryScreen()->geometry());
  desktop.show();
  ok &= Settle([&] { return desktop.windowHandle()->isExposed(); });

  DesktopLyricsWindow lyrics;
  lyrics.Create();
  const QRect band = lyrics.window()->geometry();
  struct Mode {
    const char* file;
    int color1, color2, mode;
  };
  const Mode modes[] = {{"client-lyrics-mode0.png", 0x00FEE3, 0x00B133, 0},
                        {"client-lyrics-mode1.png", 0x00FEE3, 0x00B133, 1},
                        {"client-lyrics-mode2.png", 0x0000FF, 0x00FFFF, 2}};
  const QString line = QStringLiteral("从前从前 有个人爱你很久 Quilla");
  for (const Mode& m : modes) {
    lyrics.SetTextColors(m.color1, m.color2, 0, m.mode);
    lyrics.SetText(QString());
    lyrics.SetText(line);
    ok &= Settle([&] { return LineIsOnScreen(lyrics); });
    ok &= SaveScreenArea(band, out + QLatin1Char('/') + QLatin1String(m.file));
  }

  QWidget* main = MakeMainWindow();
  main->setWindowIcon(QIcon(QPixmap(16, 16)));
  main->move(240, 90);
  main->show();
  quilla::client::AttachShadow(main, 0xD0D0D0, 2);
  ok &=
      Settle([&] { return ScreenPixel(main->geometry().topLeft() + QPoint(-2, 60)).red() > 200; });
  ok &= SaveScreenArea(main->geometry().adjusted(-24, -24, 24, 24),
                       out + QStringLiteral("/client-ring.png"));
  main->hide();

  quilla::client::TrayIcon tray;
  tray.CreateTrayIcon(main, QStringLiteral("Quilla软件"));
  tray.SetAvoidedWindow(lyrics.window());
  tray.ShowBalloon(QStringLiteral("播放歌曲通知！"),
                   QStringLiteral("正在播放：小明 点播的 晴天 - 周杰伦"), 1, 60000);
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  ok &=
      Settle([&] { return tray.popup() != nullptr && tray.popup()->windowHandle()->isExposed(); });
  app.processEvents();
  ok &= SaveScreenArea(QRect(screen.right() - 660, screen.bottom() - 360, 660, 360),
                       out + QStringLiteral("/client-balloon.png"));
  delete main;
  return ok ? 0 : 1;
}
