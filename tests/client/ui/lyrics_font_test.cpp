// The lyrics font: the fallback list, a family that is not installed, sizes of 0, and the
// styles as they show in the drawn line.

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontMetricsF>

#include "client/ui/desktop_lyrics_window.h"
#include "client/ui/lyrics_font.h"
#include "client/ui/lyrics_pixels.h"
#include "support/qt_test_support.h"

namespace quilla::client::testing {
namespace {

class LyricsFontTest : public ::testing::Test {
 protected:
  void SetUp() override { quilla::testing::EnsureApplication(); }
};

TEST_F(LyricsFontTest, CandidatesAreTheRequestThenTheWindowsFamiliesThenChineseFamiliesHere) {
  struct Case {
    QString requested;
    QStringList head;
  };
  const QStringList windows_list = {QStringLiteral("微软雅黑"), QStringLiteral("楷体"),
                                    QStringLiteral("黑体"), QStringLiteral("宋体"),
                                    QStringLiteral("Tahoma")};
  const Case cases[] = {
      {QString(), windows_list},
      {QStringLiteral("楷体"), QStringList{QStringLiteral("楷体")} + windows_list},
      {QStringLiteral("A;;B"),
       QStringList{QStringLiteral("A"), QStringLiteral("B")} + windows_list},
  };
  for (const Case& c : cases) {
    const QStringList candidates = LyricsFontCandidates(c.requested);
    ASSERT_GE(candidates.size(), c.head.size());
    EXPECT_EQ(candidates.mid(0, c.head.size()), c.head) << c.requested.toStdString();
    for (const QString& chinese : QFontDatabase::families(QFontDatabase::SimplifiedChinese)) {
      EXPECT_GE(candidates.indexOf(chinese), c.head.size()) << chinese.toStdString();
    }
  }
}

TEST_F(LyricsFontTest, FamilyThatIsNotInstalledFallsBackToOneThatWritesChinese) {
  const QString missing = QStringLiteral("这个字体不存在 Nowhere Sans");
  ASSERT_FALSE(QFontDatabase::hasFamily(missing));
  const std::optional<QFont> font = ResolveLyricsFont(missing, 40, true, false, false);
  ASSERT_TRUE(font.has_value());
  QString first_installed;
  for (const QString& candidate : LyricsFontCandidates(missing)) {
    if (QFontDatabase::hasFamily(candidate)) {
      first_installed = candidate;
      break;
    }
  }
  ASSERT_FALSE(first_installed.isEmpty()) << "no family on this machine writes Chinese";
  EXPECT_EQ(font->family(), first_installed);
  EXPECT_EQ(font->pixelSize(), 40);
  EXPECT_TRUE(font->bold());
  // The point of it all: Chinese shows as glyphs, not boxes.
  EXPECT_TRUE(QFontMetricsF(*font).inFontUcs4(0x6B4C));  // 歌
  EXPECT_TRUE(QFontMetricsF(*font).inFontUcs4(0x8BCD));  // 词
}

TEST_F(LyricsFontTest, InstalledFamilyIsTakenAsRequested) {
  const QStringList installed = QFontDatabase::families();
  ASSERT_FALSE(installed.isEmpty());
  const QString family = installed.last();
  const std::optional<QFont> font = ResolveLyricsFont(family, 30, false, true, true);
  ASSERT_TRUE(font.has_value());
  EXPECT_EQ(font->family(), family);
  EXPECT_TRUE(font->italic());
  EXPECT_TRUE(font->underline());
  EXPECT_FALSE(font->bold());
}

TEST_F(LyricsFontTest, SizeOfZeroLeavesNoFontAndTheLineDrawsNothing) {
  EXPECT_FALSE(ResolveLyricsFont(QString(), 0, true, false, false).has_value());
  EXPECT_FALSE(ResolveLyricsFont(QString(), -5, true, false, false).has_value());

  DesktopLyricsWindow lyrics;
  ASSERT_TRUE(lyrics.Create(300, 150));
  lyrics.SetText(QStringLiteral("欢迎"));
  ASSERT_FALSE(lyrics.painted().area.isEmpty());
  lyrics.SetFont(QStringLiteral("黑体"), 0, false, false, false);
  EXPECT_FALSE(lyrics.font().has_value());
  lyrics.Redraw();
  EXPECT_TRUE(lyrics.painted().area.isEmpty());
  EXPECT_FALSE(lyrics.window()->mask().intersects(lyrics.window()->rect()));
}

TEST_F(LyricsFontTest, ItalicSlantsTheLetters) {
  // U+4E28 "丨": one upright stroke. Slanted, its top lies right of its bottom.
  auto stroke_centres = [](const PaintedLine& line) {
    const QRect box = line.text_rect.toAlignedRect();
    int top = -1, bottom = -1;
    for (int y = box.top(); y <= box.bottom() && top < 0; ++y) {
      if (FirstInRow(line, y, 255)) top = y;
    }
    for (int y = box.bottom(); y >= box.top() && bottom < 0; --y) {
      if (FirstInRow(line, y, 255)) bottom = y;
    }
    const auto centre = [&](int y) {
      return (*FirstInRow(line, y, 255) + *LastInRow(line, y, 255)) / 2.0;
    };
    return std::pair{centre(top + 3), centre(bottom - 3)};
  };
  DesktopLyricsWindow lyrics;
  ASSERT_TRUE(lyrics.Create(300, 150));
  lyrics.SetShadow(0, 0, 0, false);
  lyrics.SetText(QString(QChar(0x4E28)));
  const auto [upright_top, upright_bottom] = stroke_centres(lyrics.painted());
  EXPECT_NEAR(upright_top, upright_bottom, 1.0);
  lyrics.SetFont(QString(), 50, true, true, false);
  lyrics.Redraw();
  const auto [slanted_top, slanted_bottom] = stroke_centres(lyrics.painted());
  EXPECT_GT(slanted_top - slanted_bottom, 5.0);
}

TEST_F(LyricsFontTest, UnderlineJoinsTheLettersAcrossTheGap) {
  DesktopLyricsWindow lyrics;
  ASSERT_TRUE(lyrics.Create(400, 150));
  lyrics.SetShadow(0, 0, 0, false);
  lyrics.SetText(QStringLiteral("一   一"));
  const int gap_x = static_cast<int>(lyrics.painted().text_rect.center().x());
  EXPECT_FALSE(FirstInColumn(lyrics.painted(), gap_x, 1).has_value());

  lyrics.SetFont(QString(), 50, true, false, true);
  lyrics.Redraw();
  const std::optional<int> underline = FirstInColumn(lyrics.painted(), gap_x, 128);
  ASSERT_TRUE(underline.has_value());
  // Below the baseline, in the lower part of the line.
  EXPECT_GT(*underline, lyrics.painted().text_rect.center().y());
}

}  // namespace
}  // namespace quilla::client::testing
