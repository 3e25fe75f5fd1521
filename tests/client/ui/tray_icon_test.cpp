// Balloons: the cuts on whole GBK characters, one balloon replacing another and starting
// the time again, and the popup that stands in where the desktop has no notification area
// (as under the offscreen platform these tests run on).

#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWindow>

#include "client/ui/balloon_popup.h"
#include "client/ui/desktop_lyrics_window.h"
#include "client/ui/gbk_cut.h"
#include "client/ui/tray_icon.h"
#include "encoding/gbk.h"
#include "support/qt_test_support.h"

namespace quilla::client::testing {
namespace {

using quilla::testing::ProcessEventsUntil;

std::size_t GbkBytes(const QString& text) {
  return encoding::Utf8ToGbk(text.toUtf8().toStdString()).size();
}

QIcon SomeIcon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::darkCyan);
  return QIcon(pixmap);
}

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    quilla::testing::EnsureApplication();
    main_.setWindowIcon(SomeIcon());
    main_.resize(300, 200);
    main_.show();
  }
  // The application comes before the windows that are members here.
  struct ApplicationFirst {
    ApplicationFirst() { quilla::testing::EnsureApplication(); }
  } application_first_;
  QWidget main_;
};

TEST(GbkCutTest, CutsKeepWholeCharactersWithinTheByteLimit) {
  const QString chinese = QString(200, QChar(0x4E2D));  // 中, 2 bytes each
  struct Case {
    QString text;
    std::size_t limit;
    QString expected;
  };
  const Case cases[] = {
      {QString(300, QLatin1Char('a')), 255, QString(255, QLatin1Char('a'))},
      {chinese, 255, QString(127, QChar(0x4E2D))},  // 254 bytes: the 128th would split
      {QLatin1Char('a') + chinese, 255, QLatin1Char('a') + QString(127, QChar(0x4E2D))},
      {chinese, 63, QString(31, QChar(0x4E2D))},
      {QStringLiteral("播放歌曲通知！"), 63, QStringLiteral("播放歌曲通知！")},
      {QString(), 63, QString()},
      // A character GBK cannot hold travels as "?": one byte.
      {QString::fromUtf8("😀😀😀"), 2, QString::fromUtf8("😀😀")},
  };
  for (const Case& c : cases) {
    const QString cut = CutToGbkBytes(c.text, c.limit);
    EXPECT_EQ(cut, c.expected) << c.text.left(10).toStdString() << " / " << c.limit;
    EXPECT_LE(GbkBytes(cut), c.limit);
  }
}

TEST_F(TrayIconTest, WithoutANotificationAreaTheBalloonIsAPopupThatTakesNoFocus) {
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  main_.activateWindow();
  ASSERT_TRUE(ProcessEventsUntil([&] { return QApplication::activeWindow() == &main_; }));
  TrayIcon tray;
  ASSERT_TRUE(tray.CreateTrayIcon(&main_, QStringLiteral("Quilla软件")));
  tray.ShowBalloon(QStringLiteral("播放歌曲通知！"), QStringLiteral("晴天 - 周杰伦"), 1, 5000);

  BalloonPopup* popup = tray.popup();
  ASSERT_NE(popup, nullptr);
  EXPECT_TRUE(popup->isVisible());
  EXPECT_EQ(popup->title(), QStringLiteral("播放歌曲通知！"));
  EXPECT_EQ(popup->text(), QStringLiteral("晴天 - 周杰伦"));
  EXPECT_TRUE(tray.balloon_shown());
  EXPECT_TRUE(popup->windowHandle()->flags() & Qt::WindowDoesNotAcceptFocus);
  QApplication::processEvents();
  EXPECT_EQ(QApplication::activeWindow(), &main_);
  // Bottom right of the screen's available area.
  const QRect area = main_.screen()->availableGeometry();
  EXPECT_TRUE(area.contains(popup->geometry()));
  EXPECT_GT(popup->geometry().center().x(), area.center().x());
  EXPECT_GT(popup->geometry().center().y(), area.center().y());
}

TEST_F(TrayIconTest, SecondBalloonReplacesTheFirstAndStartsTheTimeAgain) {
  TrayIcon tray;
  ASSERT_TRUE(tray.CreateTrayIcon(&main_, QStringLiteral("Quilla软件")));
  tray.ShowBalloon(QStringLiteral("第一首"), QStringLiteral("A"), 1, 100);
  tray.ShowBalloon(QStringLiteral("第二首"), QStringLiteral("B"), 1, 60000);
  EXPECT_EQ(tray.balloon_title(), QStringLiteral("第二首"));
  EXPECT_EQ(tray.popup()->title(), QStringLiteral("第二首"));
  EXPECT_EQ(tray.popup()->text(), QStringLiteral("B"));
  EXPECT_EQ(tray.balloon_timer().interval(), 60000);
  EXPECT_GT(tray.balloon_timer().remainingTime(), 50000);

  // A balloon goes when its time is up.
  tray.ShowBalloon(QStringLiteral("第三首"), QStringLiteral("C"), 0, 30);
  EXPECT_TRUE(ProcessEventsUntil([&] { return !tray.popup()->isVisible(); }));
  EXPECT_FALSE(tray.balloon_shown());
  EXPECT_TRUE(tray.balloon_title().isEmpty());
  EXPECT_TRUE(tray.balloon_text().isEmpty());
}

TEST_F(TrayIconTest, LongTitleAndTextAreCutOnWholeCharacters) {
  TrayIcon tray;
  ASSERT_TRUE(tray.CreateTrayIcon(&main_, QStringLiteral("Quilla软件")));
  const QString title = QLatin1Char('x') + QString(40, QChar(0x6B4C));  // 1 + 80 bytes
  const QString text = QLatin1Char('x') + QString(200, QChar(0x8BCD));  // 1 + 400 bytes
  tray.ShowBalloon(title, text, 1, 5000);
  EXPECT_EQ(tray.balloon_title(), title.left(1 + 31));  // 63 bytes
  EXPECT_EQ(tray.balloon_text(), text.left(1 + 127));   // 255 bytes
  EXPECT_EQ(tray.popup()->title(), tray.balloon_title());
  EXPECT_EQ(tray.popup()->text(), tray.balloon_text());
}

TEST_F(TrayIconTest, PopupStandsAboveTheLyricsBand) {
  DesktopLyricsWindow lyrics;
  ASSERT_TRUE(lyrics.Create());
  const QRect band = lyrics.window()->frameGeometry();
  TrayIcon tray;
  ASSERT_TRUE(tray.CreateTrayIcon(&main_, QStringLiteral("Quilla软件")));
  tray.SetAvoidedWindow(lyrics.window());
  tray.ShowBalloon(QStringLiteral("播放歌曲通知！"), QStringLiteral("后来 - 刘若英"), 1, 5000);
  EXPECT_LT(tray.popup()->geometry().bottom(), band.top());

  lyrics.Hide();  // a hidden band leaves the corner free
  tray.ShowBalloon(QStringLiteral("播放歌曲通知！"), QStringLiteral("海阔天空"), 1, 5000);
  EXPECT_GT(tray.popup()->geometry().bottom(), band.top());
}

TEST_F(TrayIconTest, ClickOnThePopupDismissesTheBalloon) {
  TrayIcon tray;
  ASSERT_TRUE(tray.CreateTrayIcon(&main_, QStringLiteral("Quilla软件")));
  tray.ShowBalloon(QStringLiteral("播放歌曲通知！"), QStringLiteral("平凡之路"), 1, 60000);
  BalloonPopup* popup = tray.popup();
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), popup->mapToGlobal(QPointF(5, 5)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(popup, &press);
  EXPECT_FALSE(popup->isVisible());
  EXPECT_FALSE(tray.balloon_shown());
}

TEST_F(TrayIconTest, WindowWithoutAnIconGetsNoTrayIconAndItsBalloonsAreLost) {
  QWidget bare;
  QApplication::setWindowIcon(QIcon());
  ASSERT_TRUE(bare.windowIcon().isNull());
  TrayIcon tray;
  EXPECT_FALSE(tray.CreateTrayIcon(&bare, QStringLiteral("Quilla软件")));
  tray.ShowBalloon(QStringLiteral("播放歌曲通知！"), QStringLiteral("晴天"), 1, 5000);
  EXPECT_EQ(tray.popup(), nullptr);
  EXPECT_FALSE(tray.balloon_shown());
}

TEST(BalloonPlaceTest, BottomRightAndAboveABandThatWouldCoverIt) {
  const QRect area(0, 0, 1920, 1040);
  const QSize popup(300, 80);
  struct Case {
    const char* what;
    std::optional<QRect> band;
    QRect expected;
  };
  const Case cases[] = {
      {"no band", std::nullopt, QRect(1920 - 12 - 300, 1040 - 12 - 80, 300, 80)},
      {"band along the bottom", QRect(0, 890, 1920, 150),
       QRect(1920 - 12 - 300, 890 - 12 - 80, 300, 80)},
      {"band dragged to the top", QRect(0, 0, 1920, 150),
       QRect(1920 - 12 - 300, 1040 - 12 - 80, 300, 80)},
      {"band too high to stand above", QRect(0, 50, 1920, 1000),
       QRect(1920 - 12 - 300, 1040 - 12 - 80, 300, 80)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PlaceBalloon(popup, area, c.band), c.expected) << c.what;
  }
}

}  // namespace
}  // namespace quilla::client::testing
