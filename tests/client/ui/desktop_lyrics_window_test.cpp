// The lyrics window as the desktop meets it: its place, its shape, dragging, the lock,
// refused close requests, the remembered position, and what a repeated or a new line costs.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

#include <vector>

#include "client/ui/desktop_lyrics_window.h"
#include "client/ui/lyrics_pixels.h"
#include "client/ui/lyrics_position.h"
#include "client/ui/mouse_events.h"
#include "settings/ini_file.h"
#include "support/qt_test_support.h"
#include "support/temp_dir.h"

namespace quilla::client::testing {
namespace {

using quilla::testing::ProcessEventsUntil;
using quilla::testing::TempDir;

QRect AvailableArea() {
  return QGuiApplication::primaryScreen()->availableGeometry();
}

// A pixel in the middle of the line that belongs to a letter (opaque), in window
// coordinates.
QPoint PointOnLetter(const PaintedLine& line) {
  const int y = static_cast<int>(line.text_rect.center().y());
  const std::optional<int> x = FirstInRow(line, y, 255);
  EXPECT_TRUE(x.has_value());
  return QPoint(x.value_or(0) + 2, y);
}

// Records the paint events a widget receives.
class PaintRecorder : public QObject {
 public:
  explicit PaintRecorder(QWidget* widget) { widget->installEventFilter(this); }
  std::vector<QRegion> regions;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint)
      regions.push_back(static_cast<QPaintEvent*>(event)->region());
    return false;
  }
};

// What the window system holds of `window` now: the offscreen platform hands out the
// window's backing store, laid over black.
QImage ShownPixels(QWidget* window) {
  return window->screen()
      ->grabWindow(window->winId())
      .toImage()
      .convertToFormat(QImage::Format_RGB32);
}

// A premultiplied image laid over black.
QImage OverBlack(const QImage& image) {
  QImage flat(image.size(), QImage::Format_RGB32);
  flat.fill(Qt::black);
  QPainter painter(&flat);
  painter.drawImage(0, 0, image);
  return flat;
}

// `line` alone on a clear window of `size`.
QImage Alone(const PaintedLine& line, QSize size) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.drawImage(line.area.topLeft(), line.pixels);
  return image;
}

class DesktopLyricsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { quilla::testing::EnsureApplication(); }
};

TEST_F(DesktopLyricsWindowTest, CreateLaysAFullWidthBandAlongTheBottomOfTheAvailableArea) {
  DesktopLyricsWindow lyrics;
  EXPECT_FALSE(lyrics.IsCreated());
  ASSERT_TRUE(lyrics.Create());
  ASSERT_TRUE(lyrics.IsCreated());
  QWidget* window = lyrics.window();
  const QRect area = AvailableArea();
  const QRect expected(area.left(), area.bottom() - 149, area.width(), 150);
  EXPECT_TRUE(ProcessEventsUntil([&] { return window->geometry() == expected; }))
      << window->geometry().x() << "," << window->geometry().y();
  EXPECT_TRUE(window->isVisible());
  const Qt::WindowFlags flags = window->windowHandle()->flags();
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);  // no taskbar entry
  EXPECT_TRUE(flags & Qt::FramelessWindowHint);
  EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(flags & Qt::WindowDoesNotAcceptFocus);

  EXPECT_FALSE(lyrics.Create(100, 100));
  EXPECT_EQ(window, lyrics.window());
  EXPECT_EQ(window->size(), expected.size());

  lyrics.Hide();
  EXPECT_FALSE(window->isVisible());
  lyrics.Show();
  EXPECT_TRUE(window->isVisible());
}

TEST_F(DesktopLyricsWindowTest, TextSetBeforeCreateIsDrawnWhenTheWindowAppears) {
  DesktopLyricsWindow lyrics;
  lyrics.SetText(QStringLiteral("欢迎进入Quilla系统"));
  EXPECT_TRUE(lyrics.painted().area.isEmpty());
  ASSERT_TRUE(lyrics.Create(800, 150));
  EXPECT_FALSE(lyrics.painted().area.isEmpty());
  EXPECT_FALSE(lyrics.window()->mask().isEmpty());
}

TEST_F(DesktopLyricsWindowTest, CloseIsRefusedWhileNoCloseIsSetUntilTheSessionEnds) {
  DesktopLyricsWindow lyrics;
  ASSERT_TRUE(lyrics.Create(300, 150));
  lyrics.SetNoClose(true);
  QWidget* window = lyrics.window();
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());

  lyrics.EndSession();  // what logging out or shutting down does
  EXPECT_TRUE(window->close());
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(lyrics.IsCreated());

  lyrics.Show();
  lyrics.SetNoClose(false);
  EXPECT_TRUE(window->close());
}

TEST_F(DesktopLyricsWindowTest, ShapeHoldsExactlyTheDrawnPixels) {
  DesktopLyricsWindow lyrics;
  ASSERT_TRUE(lyrics.Create(500, 150));
  lyrics.SetText(QStringLiteral("口回 Quilla"));
  QWidget* window = lyrics.window();
  const QRegion shape = window->mask();
  const QImage drawn = window->grab().toImage();  // ignores the shape
  ASSERT_EQ(drawn.size(), window->size());
  int band_inside_line = 0;
  const QRect line_box = lyrics.painted().text_rect.toAlignedRect();
  for (int y = 0; y < drawn.height(); ++y) {
    for (int x = 0; x < drawn.width(); ++x) {
      const bool visible = qAlpha(drawn.pixel(x, y)) > 0;
      ASSERT_EQ(shape.contains(QPoint(x, y)), visible) << x << "," << y;
      if (!visible && line_box.contains(x, y)) ++band_inside_line;
    }
  }
  // Between the letters and inside 口 and 回 the band stays out of the shape.
  EXPECT_GT(band_inside_line, line_box.width() * line_box.height() / 4);
}

TEST_F(DesktopLyricsWindowTest, PressingOnALetterAndMovingDragsTheWindowAndRemembersWhere) {
  TempDir folder;
  DesktopLyricsWindow lyrics(folder.path());
  ASSERT_TRUE(lyrics.Create(400, 150));
  lyrics.SetText(QStringLiteral("欢迎光临"));
  QWidget* window = lyrics.window();
  const QPoint start = window->pos();
  const QPoint on_letter = window->mapToGlobal(PointOnLetter(lyrics.painted()));

  DragWithLeftButton(window, on_letter, QPoint(-60, -45));
  ASSERT_TRUE(ProcessEventsUntil([&] { return window->pos() == start + QPoint(-60, -45); }))
      << window->pos().x() << "," << window->pos().y();
  ASSERT_TRUE(ProcessEventsUntil(
      [&] { return LoadLyricsPosition(folder.path()) == std::optional(window->pos()); }));
  const std::filesystem::path file = folder / "gcwz.ini";
  EXPECT_EQ(settings::ReadProfileString(file, "GECI", "X"), std::to_string(window->pos().x()));
  EXPECT_EQ(settings::ReadProfileString(file, "GECI", "Y"), std::to_string(window->pos().y()));
}

TEST_F(DesktopLyricsWindowTest, PressingOnTheBandBetweenLettersDoesNotDrag) {
  DesktopLyricsWindow lyrics;
  ASSERT_TRUE(lyrics.Create(400, 150));
  lyrics.SetText(QStringLiteral("欢迎"));
  QWidget* window = lyrics.window();
  const QPoint start = window->pos();
  const QPoint band = window->mapToGlobal(QPoint(5, 5));
  ASSERT_FALSE(window->mask().contains(QPoint(5, 5)));
  EXPECT_FALSE(SendMouse(window, QEvent::MouseButtonPress, band, Qt::LeftButton, Qt::LeftButton));
  SendMouse(window, QEvent::MouseMove, band + QPoint(50, -50), Qt::NoButton, Qt::LeftButton);
  SendMouse(window, QEvent::MouseButtonRelease, band + QPoint(50, -50), Qt::LeftButton,
            Qt::NoButton);
  QApplication::processEvents();
  EXPECT_EQ(window->pos(), start);
}

TEST_F(DesktopLyricsWindowTest, LockedLineTakesNoMouseInputAtAll) {
  DesktopLyricsWindow lyrics;
  lyrics.SetLocked(true);  // as the saved setting arrives before the window
  ASSERT_TRUE(lyrics.Create(400, 150));
  lyrics.SetText(QStringLiteral("锁定歌词"));
  QWidget* window = lyrics.window();
  EXPECT_TRUE(window->windowHandle()->flags() & Qt::WindowTransparentForInput);
  const QPoint start = window->pos();
  const QPoint on_letter = window->mapToGlobal(PointOnLetter(lyrics.painted()));
  EXPECT_FALSE(
      SendMouse(window, QEvent::MouseButtonPress, on_letter, Qt::LeftButton, Qt::LeftButton));
  SendMouse(window, QEvent::MouseMove, on_letter + QPoint(40, -40), Qt::NoButton, Qt::LeftButton);
  SendMouse(window, QEvent::MouseButtonRelease, on_letter + QPoint(40, -40), Qt::LeftButton,
            Qt::NoButton);
  QApplication::processEvents();
  EXPECT_EQ(window->pos(), start);

  lyrics.SetLocked(false);
  EXPECT_FALSE(window->windowHandle()->flags() & Qt::WindowTransparentForInput);
  EXPECT_TRUE(window->isVisible());
  DragWithLeftButton(window, on_letter, QPoint(40, -40));
  EXPECT_TRUE(ProcessEventsUntil([&] { return window->pos() == start + QPoint(40, -40); }));

  lyrics.SetLocked(true);
  EXPECT_TRUE(window->windowHandle()->flags() & Qt::WindowTransparentForInput);
  EXPECT_TRUE(window->isVisible());
}

TEST_F(DesktopLyricsWindowTest, RememberedPlaceIsUsedOnlyWhileTheLineWouldBeOnAScreen) {
  const QRect area = AvailableArea();
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QSize size(400, 150);
  const QPoint default_corner(area.left() + (area.width() - size.width()) / 2,
                              area.bottom() + 1 - size.height());
  struct Case {
    const char* what;
    std::optional<std::pair<std::string, std::string>> stored;
    QPoint expected;
  };
  const Case cases[] = {
      {"no file", std::nullopt, default_corner},
      {"on the screen", std::pair{std::string("37"), std::string("61")}, QPoint(37, 61)},
      {"partly above the screen", std::pair{std::string("10"), std::string("-40")},
       QPoint(10, -40)},
      {"off every screen", std::pair{std::string("50000"), std::string("50000")}, default_corner},
      {"left of every screen", std::pair{std::string("-3000"), std::string("100")}, default_corner},
      {"only an edge on the screen",
       std::pair{std::to_string(screen.right() - 50), std::string("100")}, default_corner},
      {"not a number", std::pair{std::string("abc"), std::string("100")}, default_corner},
      {"empty", std::pair{std::string(""), std::string("100")}, default_corner},
  };
  for (const Case& c : cases) {
    TempDir folder;
    if (c.stored) {
      ASSERT_TRUE(settings::WriteProfileString(folder / "gcwz.ini", "GECI", "X", c.stored->first));
      ASSERT_TRUE(settings::WriteProfileString(folder / "gcwz.ini", "GECI", "Y", c.stored->second));
    }
    DesktopLyricsWindow lyrics(folder.path());
    ASSERT_TRUE(lyrics.Create(size.width(), size.height()));
    EXPECT_TRUE(ProcessEventsUntil([&] { return lyrics.window()->pos() == c.expected; }))
        << c.what << ": at " << lyrics.window()->pos().x() << "," << lyrics.window()->pos().y();
  }
}

TEST_F(DesktopLyricsWindowTest, SamePositionWrittenByHandReadsBack) {
  TempDir folder;
  DesktopLyricsWindow lyrics(folder.path());
  EXPECT_FALSE(lyrics.SavePosition());  // no window yet
  ASSERT_TRUE(lyrics.Create(300, 150));
  lyrics.window()->move(123, 45);
  ASSERT_TRUE(ProcessEventsUntil([&] { return lyrics.window()->pos() == QPoint(123, 45); }));
  ASSERT_TRUE(lyrics.SavePosition());
  EXPECT_EQ(LoadLyricsPosition(folder.path()), std::optional(QPoint(123, 45)));

  DesktopLyricsWindow forgetful;  // no settings folder
  ASSERT_TRUE(forgetful.Create(300, 150));
  EXPECT_FALSE(forgetful.SavePosition());
}

TEST_F(DesktopLyricsWindowTest, SameLineAgainCostsNoPaintAndANewLineRepaintsOnlyItsArea) {
  DesktopLyricsWindow lyrics;
  ASSERT_TRUE(lyrics.Create(1200, 150));
  const QString long_line = QStringLiteral("第一行歌词很长很长很长很长很长");
  lyrics.SetText(long_line);
  QWidget* window = lyrics.window();
  window->repaint();
  QApplication::processEvents();
  const QRect old_area = lyrics.painted().area;

  PaintRecorder recorder(window);
  for (int i = 0; i < 10; ++i) {
    lyrics.SetText(long_line);
    QApplication::processEvents();
  }
  EXPECT_TRUE(recorder.regions.empty());

  lyrics.SetText(QStringLiteral("短句"));
  ASSERT_FALSE(recorder.regions.empty()) << "a new line is painted before SetText returns";
  const QRegion allowed = QRegion(old_area) + QRegion(lyrics.painted().area);
  for (const QRegion& painted : recorder.regions) {
    EXPECT_TRUE((painted - allowed).isEmpty());
    EXPECT_LT(painted.boundingRect().width(), window->width());
  }
  // What the desktop sees of the window (its shape) is the new line alone: nothing of the
  // old one is left behind, and the shape is the new line's.
  EXPECT_EQ(window->mask(), lyrics.painted().shape);
  const QImage shown = ShownPixels(window);
  const QImage alone = OverBlack(Alone(lyrics.painted(), window->size()));
  for (const QRect& rect : window->mask()) {
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
      for (int x = rect.left(); x <= rect.right(); ++x) {
        ASSERT_EQ(shown.pixel(x, y), alone.pixel(x, y)) << x << "," << y;
      }
    }
  }
}

TEST_F(DesktopLyricsWindowTest, SameTextAfterASettingChangedIsDrawnAgain) {
  DesktopLyricsWindow lyrics;
  ASSERT_TRUE(lyrics.Create(600, 150));
  lyrics.SetText(QStringLiteral("同一行"));
  const QRectF big = lyrics.painted().text_rect;
  lyrics.SetFont(QString(), 30, true, false, false);
  lyrics.SetText(QStringLiteral("同一行"));
  EXPECT_LT(lyrics.painted().text_rect.height(), big.height());
  const QImage before = lyrics.painted().pixels;
  lyrics.SetTextColors(0x0000FF, 0x0000FF, 0, 0);
  lyrics.SetText(QStringLiteral("同一行"));
  EXPECT_NE(lyrics.painted().pixels, before);
}

}  // namespace
}  // namespace quilla::client::testing
