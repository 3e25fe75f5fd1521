// The lyrics line as pixels: the gradient modes, the outline and the shadow where they
// belong, nothing for an empty text, a long line centred and cut by both edges. Drawn
// through DesktopLyricsWindow with its own defaults.

#include <gtest/gtest.h>

#include <QPixmap>

#include "client/ui/desktop_lyrics_window.h"
#include "client/ui/lyrics_painter.h"
#include "client/ui/lyrics_pixels.h"
#include "support/qt_test_support.h"

namespace quilla::client::testing {
namespace {

// U+2588 FULL BLOCK: one glyph that fills most of the line's height, so its fill shows
// the gradient from top to bottom and its edges are straight.
const QString kBlock = QString(QChar(0x2588));

const QColor kDefaultColor1(227, 254, 0);
const QColor kDefaultColor2(51, 177, 0);

class LyricsPainterTest : public ::testing::Test {
 protected:
  void SetUp() override { quilla::testing::EnsureApplication(); }

  // Middle column of the glyph's fill and the rows where the fill begins and ends (just
  // inside the outline, which is the first and last opaque pixel of the column).
  struct Column {
    int x;
    int top_fill;
    int bottom_fill;
  };
  static Column FillColumn(const PaintedLine& line) {
    const int x = static_cast<int>(line.text_rect.center().x());
    const int y = static_cast<int>(line.text_rect.center().y());
    const int left = *FirstInRow(line, y, 255);
    const int right = *LastInRow(line, y, 255);
    const int middle = (left + right) / 2;
    EXPECT_NEAR(middle, x, 4);
    return Column{middle, *FirstInColumn(line, middle, 255) + 2,
                  *LastInColumn(line, middle, 255) - 2};
  }
};

// Where the fill of `mode` should be at row y for a line at `text_rect`.
QColor ExpectedFill(int mode, const QColor& c1, const QColor& c2, const QRectF& text_rect, int y) {
  const double from_top = (y + 0.5 - text_rect.top()) / text_rect.height();
  if (mode == 1) return Mix(c1, c2, from_top);
  double t = from_top * 2;  // colour 2 at the middle, mirrored below it
  if (t > 1) t = 2 - t;
  return Mix(c1, c2, t);
}

TEST_F(LyricsPainterTest, DefaultLookRunsFromColourOneAtTheTopToColourTwoAtTheBottom) {
  DesktopLyricsWindow lyrics;
  ASSERT_TRUE(lyrics.Create(240, 150));
  lyrics.SetText(kBlock);
  const PaintedLine& line = lyrics.painted();
  ASSERT_FALSE(line.area.isEmpty());
  const Column column = FillColumn(line);

  const QColor top = ColorAt(line, {column.x, column.top_fill});
  const QColor bottom = ColorAt(line, {column.x, column.bottom_fill});
  EXPECT_TRUE(Near(
      top, ExpectedFill(1, kDefaultColor1, kDefaultColor2, line.text_rect, column.top_fill), 8))
      << top.name().toStdString();
  EXPECT_TRUE(
      Near(bottom,
           ExpectedFill(1, kDefaultColor1, kDefaultColor2, line.text_rect, column.bottom_fill), 8))
      << bottom.name().toStdString();
  // The glyph's top is near colour 1, its bottom near colour 2.
  EXPECT_GT(top.red(), 180);
  EXPECT_GT(top.green(), 235);
  EXPECT_LT(bottom.red(), 90);
  EXPECT_LT(bottom.green(), 195);
  // The line is centred in the band both ways.
  EXPECT_NEAR(line.text_rect.center().x(), 120, 0.5);
  EXPECT_NEAR(line.text_rect.center().y(), 75, 0.5);
}

TEST_F(LyricsPainterTest, ThreeBandsOfRedAndYellowAreRedAtTopAndBottomAndYellowInTheMiddle) {
  DesktopLyricsWindow lyrics;
  ASSERT_TRUE(lyrics.Create(240, 150));
  const int red = 0x0000FF, yellow = 0x00FFFF;  // Windows colour values
  lyrics.SetTextColors(red, yellow, 0, 2);
  lyrics.SetText(kBlock);
  const PaintedLine& line = lyrics.painted();
  const Column column = FillColumn(line);
  const int middle = static_cast<int>(line.text_rect.center().y());

  const QColor top = ColorAt(line, {column.x, column.top_fill});
  const QColor centre = ColorAt(line, {column.x, middle});
  const QColor bottom = ColorAt(line, {column.x, column.bottom_fill});
  for (const auto& [colour, y] : {std::pair{top, column.top_fill}, std::pair{centre, middle},
                                  std::pair{bottom, column.bottom_fill}}) {
    EXPECT_TRUE(Near(colour, ExpectedFill(2, Qt::red, Qt::yellow, line.text_rect, y), 8))
        << "row " << y << ": " << colour.name().toStdString();
  }
  EXPECT_GE(top.red(), 250);
  EXPECT_LT(top.green(), 110);
  EXPECT_GE(bottom.red(), 250);
  EXPECT_LT(bottom.green(), 110);
  EXPECT_GE(centre.green(), 245);
  EXPECT_GE(centre.red(), 250);
}

TEST_F(LyricsPainterTest, WithoutGradientEveryFilledPixelHasColourOne) {
  for (int mode : {0, 7}) {  // "无渐变", and a mode nobody knows
    DesktopLyricsWindow lyrics;
    ASSERT_TRUE(lyrics.Create(400, 150));
    lyrics.SetShadow(0, 0, 0, false);
    lyrics.SetTextColors(0xCC6633, 0x00FF00, -1, mode);
    lyrics.SetText(QStringLiteral("国歌 AB"));
    const PaintedLine& line = lyrics.painted();
    int opaque = 0;
    for (int y = line.area.top(); y <= line.area.bottom(); ++y) {
      for (int x = line.area.left(); x <= line.area.right(); ++x) {
        if (AlphaAt(line, {x, y}) < 255) continue;
        ++opaque;
        ASSERT_EQ(ColorAt(line, {x, y}), QColor(0x33, 0x66, 0xCC)) << "mode " << mode;
      }
    }
    EXPECT_GT(opaque, 500) << "mode " << mode;
  }
}

TEST_F(LyricsPainterTest, OutlineDarkensTheGlyphsEdgeAndTheShadowFallsTwoPixelsRightAndDown) {
  // The same glyph three times: as it is, without outline, without shadow.
  DesktopLyricsWindow lyrics;
  ASSERT_TRUE(lyrics.Create(240, 150));
  lyrics.SetText(kBlock);
  const PaintedLine full = lyrics.painted();
  lyrics.SetTextColors(0x00FEE3, 0x00B133, -1, 1);
  lyrics.Redraw();
  const PaintedLine no_outline = lyrics.painted();
  lyrics.SetTextColors(0x00FEE3, 0x00B133, 0, 1);
  lyrics.SetShadow(0, 150, 0, true);  // an offset of 0: no shadow
  const PaintedLine no_shadow = lyrics.painted();

  const int y = static_cast<int>(full.text_rect.center().y());
  const int x = FillColumn(full).x;

  // The outline: a dark edge where the glyph without it shows its fill colour, on every side.
  const int left = *FirstInRow(full, y, 60);
  const int top = *FirstInColumn(full, x, 60);
  const int right = *LastInRow(no_shadow, y, 60);
  const int bottom = *LastInColumn(no_shadow, x, 60);
  for (const QPoint edge : {QPoint(left, y), QPoint(x, top), QPoint(right, y), QPoint(x, bottom)}) {
    const QColor with = ColorAt(no_shadow, edge);
    EXPECT_LT(with.value(), 110) << edge.x() << "," << edge.y();
    EXPECT_GT(AlphaAt(no_shadow, edge), 60);
    const QColor inner = ColorAt(no_shadow, edge + (QPoint(x, y) - edge) / 10);
    EXPECT_GT(inner.value(), 150) << "fill just inside " << edge.x() << "," << edge.y();
  }
  const int plain_left = *FirstInRow(no_outline, y, 60);
  EXPECT_GT(ColorAt(no_outline, {plain_left, y}).value(), 150);

  // The shadow: nothing above or left of the glyph; to the right and below, black at
  // alpha 150 reaching two pixels beyond the glyph's own ink.
  EXPECT_EQ(FirstInRow(full, y, 1), FirstInRow(no_shadow, y, 1));
  EXPECT_EQ(FirstInColumn(full, x, 1), FirstInColumn(no_shadow, x, 1));
  EXPECT_NEAR(*LastInRow(full, y, 1) - *LastInRow(no_shadow, y, 1), 2, 1);
  EXPECT_NEAR(*LastInColumn(full, x, 1) - *LastInColumn(no_shadow, x, 1), 2, 1);
  bool full_shadow_pixel = false;
  for (int px = right + 1; px <= *LastInRow(full, y, 1); ++px) {
    EXPECT_LE(ColorAt(full, {px, y}).value(), 8) << px;
    EXPECT_LE(AlphaAt(full, {px, y}), 152) << px;
    full_shadow_pixel |= std::abs(AlphaAt(full, {px, y}) - 150) <= 2;
  }
  EXPECT_TRUE(full_shadow_pixel);
  for (int py = bottom + 2; py <= *LastInColumn(full, x, 1); ++py) {
    EXPECT_LE(ColorAt(full, {x, py}).value(), 8) << py;
    EXPECT_LE(AlphaAt(full, {x, py}), 152) << py;
  }
}

TEST_F(LyricsPainterTest, EmptyTextPaintsNothing) {
  DesktopLyricsWindow lyrics;
  ASSERT_TRUE(lyrics.Create(300, 150));
  lyrics.SetText(QStringLiteral("有字"));
  lyrics.SetText(QString());
  EXPECT_TRUE(lyrics.painted().area.isEmpty());
  EXPECT_TRUE(lyrics.painted().shape.isEmpty());
  QWidget* window = lyrics.window();
  EXPECT_FALSE(window->mask().intersects(window->rect()));
  const QImage shown = window->grab().toImage();
  for (int y = 0; y < shown.height(); ++y) {
    for (int x = 0; x < shown.width(); ++x) ASSERT_EQ(qAlpha(shown.pixel(x, y)), 0);
  }
}

TEST_F(LyricsPainterTest, LineWiderThanTheWindowIsCentredAndCutAtBothEdges) {
  DesktopLyricsWindow lyrics;
  ASSERT_TRUE(lyrics.Create(300, 150));
  lyrics.SetText(QString(30, QChar(0x6B4C)));  // 30 × "歌"
  const PaintedLine& line = lyrics.painted();
  EXPECT_EQ(line.area.left(), 0);
  EXPECT_EQ(line.area.right(), 299);
  EXPECT_NEAR(line.text_rect.center().x(), 150, 0.5);
  EXPECT_LT(line.text_rect.left(), -500);
  auto column_has_ink = [&](int x) {
    for (int y = line.area.top(); y <= line.area.bottom(); ++y) {
      if (AlphaAt(line, {x, y}) > 0) return true;
    }
    return false;
  };
  EXPECT_TRUE(column_has_ink(0));
  EXPECT_TRUE(column_has_ink(299));
}

TEST_F(LyricsPainterTest, BackgroundFillsTheWholeBand) {
  DesktopLyricsWindow lyrics;
  ASSERT_TRUE(lyrics.Create(300, 150));
  lyrics.SetText(QStringLiteral("歌"));
  lyrics.SetBackground(0x804020, 128, true);
  const PaintedLine& line = lyrics.painted();
  EXPECT_EQ(line.area, QRect(0, 0, 300, 150));
  EXPECT_EQ(line.shape, QRegion(0, 0, 300, 150));
  EXPECT_EQ(AlphaAt(line, {3, 3}), 128);
  EXPECT_TRUE(Near(ColorAt(line, {3, 3}), QColor(0x20, 0x40, 0x80), 2));
}

}  // namespace
}  // namespace quilla::client::testing
