// On a real X server without a compositing manager (Xvfb, like many school PCs): what the
// desktop shows of the lyrics line and of the main window's ring, and which window the
// pointer reaches. Run by CTest under its own `xvfb-run`, with QT_QPA_PLATFORM=xcb.

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

#include <cstdlib>

#include "client/ui/desktop_lyrics_window.h"
#include "client/ui/lyrics_pixels.h"
#include "client/ui/window_shadow.h"
#include "support/qt_test_support.h"

namespace quilla::client::testing {
namespace {

using quilla::testing::ProcessEventsUntil;

const QColor kDesktop(58, 110, 165);
const QColor kMainWindow(250, 250, 250);

xcb_connection_t* Connection() {
  return qApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_window_t Root() {
  return xcb_setup_roots_iterator(xcb_get_setup(Connection())).data->root;
}

// Waits until the X server has handled every request sent so far.
void Sync() {
  QApplication::processEvents();
  std::free(xcb_get_input_focus_reply(Connection(), xcb_get_input_focus(Connection()), nullptr));
}

// The top-level window that the pointer reaches at the screen point `global`.
WId WindowTakingPointerAt(QPoint global) {
  xcb_connection_t* c = Connection();
  xcb_warp_pointer(c, XCB_NONE, Root(), 0, 0, 0, 0, static_cast<int16_t>(global.x()),
                   static_cast<int16_t>(global.y()));
  xcb_query_pointer_reply_t* reply =
      xcb_query_pointer_reply(c, xcb_query_pointer(c, Root()), nullptr);
  const WId child = reply != nullptr ? reply->child : 0;
  std::free(reply);
  return child;
}

// The screen as the X server shows it, in `rect`.
QImage ScreenPixels(const QRect& rect) {
  return QGuiApplication::primaryScreen()
      ->grabWindow(0, rect.x(), rect.y(), rect.width(), rect.height())
      .toImage()
      .convertToFormat(QImage::Format_RGB32);
}

QColor ScreenPixel(QPoint p) {
  return ScreenPixels(QRect(p, QSize(1, 1))).pixelColor(0, 0);
}

class X11ShapeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    quilla::testing::EnsureApplication();
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    desktop_.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    desktop_.setAutoFillBackground(true);
    QPalette colours = desktop_.palette();
    colours.setColor(QPalette::Window, kDesktop);
    desktop_.setPalette(colours);
    desktop_.setGeometry(QGuiApplication::primaryScreen()->geometry());
    desktop_.show();
    ASSERT_TRUE(ProcessEventsUntil([&] { return ScreenPixel({5, 5}) == kDesktop; }));
  }

  WId desktop_id() { return desktop_.winId(); }

  // The application comes before the windows that are members here.
  struct ApplicationFirst {
    ApplicationFirst() { quilla::testing::EnsureApplication(); }
  } application_first_;
  QWidget desktop_;  // stands for the windows below
};

TEST_F(X11ShapeTest, OnlyTheLettersShowAndTakeThePointerUnlessTheLineIsLocked) {
  DesktopLyricsWindow lyrics;
  ASSERT_TRUE(lyrics.Create(800, 150));
  lyrics.SetText(QStringLiteral("口回歌词 Quilla"));
  QWidget* window = lyrics.window();
  const PaintedLine& line = lyrics.painted();
  const int y = static_cast<int>(line.text_rect.center().y());
  const QPoint letter(*FirstInRow(line, y, 255) + 2, y);
  ASSERT_TRUE(
      ProcessEventsUntil([&] { return ScreenPixel(window->mapToGlobal(letter)) != kDesktop; }));

  // Pixel by pixel: where the line is clear the desktop shows (never black), where it is
  // opaque the line's own colour shows.
  const QRect frame = window->geometry();
  const QImage screen = ScreenPixels(frame);
  int clear = 0, opaque = 0;
  for (int py = 0; py < frame.height(); ++py) {
    for (int px = 0; px < frame.width(); ++px) {
      const int alpha = AlphaAt(line, {px, py});
      const QColor shown = screen.pixelColor(px, py);
      if (alpha == 0) {
        ++clear;
        ASSERT_EQ(shown, kDesktop) << px << "," << py;
      } else if (alpha == 255) {
        ++opaque;
        ASSERT_EQ(shown.rgb(), ColorAt(line, {px, py}).rgb()) << px << "," << py;
      }
    }
  }
  EXPECT_GT(clear, frame.width() * frame.height() / 2);
  EXPECT_GT(opaque, 1000);

  const QPoint band = window->mapToGlobal(QPoint(5, 5));
  EXPECT_EQ(WindowTakingPointerAt(band), desktop_id());
  EXPECT_EQ(WindowTakingPointerAt(window->mapToGlobal(letter)), window->winId());

  lyrics.SetLocked(true);
  Sync();
  EXPECT_EQ(WindowTakingPointerAt(window->mapToGlobal(letter)), desktop_id());
  EXPECT_NE(ScreenPixel(window->mapToGlobal(letter)), kDesktop);  // still shown
  // A new line, with its new shape, stays locked.
  lyrics.SetText(QStringLiteral("口回歌词 Quilla 锁定"));
  Sync();
  const PaintedLine& locked_line = lyrics.painted();
  const QPoint locked_letter(*FirstInRow(locked_line, y, 255) + 2, y);
  EXPECT_EQ(WindowTakingPointerAt(window->mapToGlobal(locked_letter)), desktop_id());
  lyrics.SetText(QStringLiteral("口回歌词 Quilla"));
  lyrics.SetLocked(false);
  Sync();
  EXPECT_EQ(WindowTakingPointerAt(window->mapToGlobal(letter)), window->winId());
  EXPECT_EQ(window->geometry(), frame);

  // An empty line leaves nothing of the window on the desktop.
  lyrics.SetText(QString());
  ASSERT_TRUE(
      ProcessEventsUntil([&] { return ScreenPixel(window->mapToGlobal(letter)) == kDesktop; }));
  const QImage empty = ScreenPixels(frame);
  for (int py = 0; py < frame.height(); ++py) {
    for (int px = 0; px < frame.width(); ++px) ASSERT_EQ(empty.pixelColor(px, py), kDesktop);
  }
  EXPECT_EQ(WindowTakingPointerAt(window->mapToGlobal(window->rect().center())), desktop_id());
}

TEST_F(X11ShapeTest, ShowingTheLineLeavesTheKeyboardFocusWithTheMainWindow) {
  QWidget main;
  main.setGeometry(100, 100, 300, 200);
  main.show();
  main.activateWindow();
  ASSERT_TRUE(ProcessEventsUntil([&] { return QApplication::activeWindow() == &main; }));
  DesktopLyricsWindow lyrics;
  ASSERT_TRUE(lyrics.Create(600, 150));
  lyrics.SetText(QStringLiteral("不抢焦点"));
  lyrics.Hide();
  lyrics.Show();
  Sync();
  xcb_get_input_focus_reply_t* focus =
      xcb_get_input_focus_reply(Connection(), xcb_get_input_focus(Connection()), nullptr);
  ASSERT_NE(focus, nullptr);
  EXPECT_EQ(focus->focus, main.winId());
  std::free(focus);
  EXPECT_EQ(QApplication::activeWindow(), &main);
}

TEST_F(X11ShapeTest, RingIsLightGreyAroundTheWindowCoversNothingAndLetsThePointerThrough) {
  QWidget main;
  main.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  main.setAutoFillBackground(true);
  QPalette colours = main.palette();
  colours.setColor(QPalette::Window, kMainWindow);
  main.setPalette(colours);
  main.setGeometry(400, 200, 300, 200);
  main.show();
  ASSERT_TRUE(ProcessEventsUntil([&] { return ScreenPixel({450, 250}) == kMainWindow; }));
  WindowShadow* ring = AttachShadow(&main, 0xD0D0D0, 2);
  ASSERT_NE(ring, nullptr);
  ASSERT_TRUE(ProcessEventsUntil([&] { return ScreenPixel({398, 300}) != kDesktop; }));

  // Light grey as over a white desktop: never the dark grey of an unblended ring.
  const QColor outer = ScreenPixel({398, 300});
  const QColor inner = ScreenPixel({399, 300});
  EXPECT_NEAR(outer.red(), 246, 3);
  EXPECT_NEAR(inner.red(), 237, 3);
  EXPECT_EQ(outer.red(), outer.blue());
  EXPECT_EQ(ScreenPixel({700, 300}), inner);
  EXPECT_EQ(ScreenPixel({701, 300}), outer);
  EXPECT_EQ(ScreenPixel({550, 400}), inner);
  EXPECT_EQ(ScreenPixel({550, 401}), outer);
  EXPECT_EQ(ScreenPixel({397, 300}), kDesktop);
  EXPECT_EQ(ScreenPixel({398, 198}), kDesktop);  // rounded corner
  // The main window is all there, to its edges.
  EXPECT_EQ(ScreenPixel({400, 300}), kMainWindow);
  EXPECT_EQ(ScreenPixel({699, 399}), kMainWindow);

  EXPECT_EQ(WindowTakingPointerAt({398, 300}), desktop_id());
  EXPECT_EQ(WindowTakingPointerAt({400, 300}), main.winId());

  // It follows a move.
  main.move(420, 230);
  ASSERT_TRUE(ProcessEventsUntil([&] { return ScreenPixel({418, 330}) == outer; }));
  // The desktop repaints where the ring was.
  EXPECT_TRUE(ProcessEventsUntil([&] { return ScreenPixel({398, 300}) == kDesktop; }));
}

}  // namespace
}  // namespace quilla::client::testing
