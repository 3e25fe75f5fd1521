// The main window's chrome: the shadow ring that follows the window, its pixels and shape,
// the minimise picture buttons and dragging the window by a header strip.

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QPixmap>
#include <QPushButton>
#include <QWindow>

#include "client/ui/header_drag.h"
#include "client/ui/mouse_events.h"
#include "client/ui/picture_button.h"
#include "client/ui/window_shadow.h"
#include "support/qt_test_support.h"

namespace quilla::client::testing {
namespace {

using quilla::testing::ProcessEventsUntil;

constexpr int kGrey = 0xD0D0D0;  // RGB 208, 208, 208 as a Windows colour value

class WindowChromeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    quilla::testing::EnsureApplication();
    main_.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    main_.setGeometry(100, 100, 300, 200);
    main_.show();
    ASSERT_TRUE(ProcessEventsUntil([&] { return main_.geometry() == QRect(100, 100, 300, 200); }));
  }

  // The ring sits 2 px outside every edge of the main window and is shown.
  bool RingAroundMain(const WindowShadow* ring) const {
    return ring->isVisible() && ring->geometry() == main_.geometry().adjusted(-2, -2, 2, 2);
  }

  // The application comes before the windows that are members here.
  struct ApplicationFirst {
    ApplicationFirst() { quilla::testing::EnsureApplication(); }
  } application_first_;
  QWidget main_;
};

TEST_F(WindowChromeTest, RingFollowsTheWindowTwoPixelsOutsideEveryEdge) {
  WindowShadow* ring = AttachShadow(&main_, kGrey, 2);
  ASSERT_NE(ring, nullptr);
  EXPECT_TRUE(ProcessEventsUntil([&] { return RingAroundMain(ring); }));

  main_.move(160, 130);
  EXPECT_TRUE(ProcessEventsUntil(
      [&] { return ring->geometry() == QRect(158, 128, 304, 204) && RingAroundMain(ring); }));
  main_.resize(420, 260);
  EXPECT_TRUE(ProcessEventsUntil(
      [&] { return ring->geometry() == QRect(158, 128, 424, 264) && RingAroundMain(ring); }));
  // The shape follows the new size: the outermost line at the new right edge is in it.
  EXPECT_TRUE(ring->mask().contains(QPoint(423, 130)));

  // Attaching again gives the same ring.
  EXPECT_EQ(AttachShadow(&main_, kGrey, 2), ring);
}

TEST_F(WindowChromeTest, RingHidesWhileTheWindowIsHiddenMinimisedOrMaximised) {
  WindowShadow* ring = AttachShadow(&main_, kGrey, 2);
  ASSERT_TRUE(ProcessEventsUntil([&] { return RingAroundMain(ring); }));

  main_.showMinimized();
  EXPECT_TRUE(ProcessEventsUntil([&] { return !ring->isVisible(); }));
  main_.showNormal();
  EXPECT_TRUE(ProcessEventsUntil([&] { return RingAroundMain(ring); }));

  main_.showMaximized();
  EXPECT_TRUE(ProcessEventsUntil([&] { return !ring->isVisible(); }));
  main_.showNormal();
  EXPECT_TRUE(ProcessEventsUntil([&] { return RingAroundMain(ring); }));

  main_.hide();
  EXPECT_TRUE(ProcessEventsUntil([&] { return !ring->isVisible(); }));
  main_.show();
  EXPECT_TRUE(ProcessEventsUntil([&] { return RingAroundMain(ring); }));
}

TEST_F(WindowChromeTest, RingNeverTakesInputNorTheFocusAndItsShapeLeavesTheWindowFree) {
  WindowShadow* ring = AttachShadow(&main_, kGrey, 2);
  ASSERT_TRUE(ProcessEventsUntil([&] { return RingAroundMain(ring); }));
  const Qt::WindowFlags flags = ring->windowHandle()->flags();
  EXPECT_TRUE(flags & Qt::WindowTransparentForInput);
  EXPECT_TRUE(flags & Qt::WindowDoesNotAcceptFocus);
  EXPECT_TRUE(flags & Qt::FramelessWindowHint);

  const QRegion shape = ring->mask();
  EXPECT_TRUE(shape.contains(QPoint(0, 100)));
  EXPECT_TRUE(shape.contains(QPoint(1, 100)));
  EXPECT_TRUE(shape.contains(QPoint(150, 203)));
  // Nothing over the main window (2..301 × 2..201 in the ring's coordinates).
  EXPECT_FALSE(shape.intersects(QRect(2, 2, 300, 200)));
  // The rounded corners are outside the shape too.
  EXPECT_FALSE(shape.contains(QPoint(0, 0)));
}

TEST_F(WindowChromeTest, RingPixelsAreTwoGreyLinesFaintestOutsideWithRoundedCorners) {
  const QImage ring = RenderShadow(QSize(304, 204), QColor(208, 208, 208), 2);
  struct Case {
    QPoint at;
    int alpha;
  };
  const Case cases[] = {
      {{0, 100}, 50},   {{1, 100}, 100},   {{2, 100}, 0},    // left edge, outside in
      {{303, 100}, 50}, {{302, 100}, 100}, {{301, 100}, 0},  // right edge
      {{150, 0}, 50},   {{150, 1}, 100},   {{150, 2}, 0},    // top edge
      {{150, 203}, 50}, {{150, 202}, 100}, {{150, 201}, 0},  // bottom edge
      {{0, 0}, 0},      {{150, 100}, 0},                     // rounded corner, the window
  };
  for (const Case& c : cases) {
    const QRgb pixel = ring.pixel(c.at);
    EXPECT_NEAR(qAlpha(pixel), c.alpha, 2) << c.at.x() << "," << c.at.y();
    if (c.alpha > 0) {
      EXPECT_NEAR(qRed(qUnpremultiply(pixel)), 208, 3) << c.at.x() << "," << c.at.y();
    }
  }
  // Wider rings take a smaller step above 8 lines: 150 / 10 = 15 per line.
  const QImage wide = RenderShadow(QSize(100, 100), QColor(0, 0, 0), 10);
  EXPECT_NEAR(qAlpha(wide.pixel(0, 50)), 15, 2);
  EXPECT_NEAR(qAlpha(wide.pixel(9, 50)), 150, 2);
  EXPECT_EQ(qAlpha(wide.pixel(10, 50)), 0);
}

TEST_F(WindowChromeTest, AttachRefusesWhatIsNotATopLevelWindow) {
  EXPECT_EQ(AttachShadow(nullptr, kGrey, 2), nullptr);
  QWidget child(&main_);
  EXPECT_EQ(AttachShadow(&child, kGrey, 2), nullptr);
  EXPECT_EQ(AttachShadow(&main_, kGrey, 0), nullptr);
}

TEST_F(WindowChromeTest, MinimiseButtonMinimisesTheWindowAndTheRingGoesWithIt) {
  QWidget strip(&main_);
  strip.setGeometry(0, 0, 300, 63);
  WindowShadow* ring = AttachShadow(&main_, kGrey, 2);
  PictureButton* minimise = AddMinimizeButton(&strip, &main_, QPoint(230, 0));
  EXPECT_EQ(minimise->geometry(), QRect(230, 0, 34, 26));
  ASSERT_TRUE(ProcessEventsUntil([&] { return RingAroundMain(ring); }));

  minimise->click();
  EXPECT_TRUE(ProcessEventsUntil([&] { return main_.isMinimized() && !ring->isVisible(); }));
  main_.showNormal();
  EXPECT_TRUE(ProcessEventsUntil([&] { return RingAroundMain(ring); }));
}

TEST_F(WindowChromeTest, PictureButtonShowsThePictureOfItsState) {
  for (const ButtonPictures& pictures : {MinimizeButtonPictures(), CloseButtonPictures()}) {
    const QImage normal = pictures.normal.toImage();
    const QImage hot = pictures.hot.toImage();
    const QImage pressed = pictures.pressed.toImage();
    const QImage disabled = pictures.disabled.toImage();
    ASSERT_NE(normal, hot);
    ASSERT_NE(hot, pressed);
    ASSERT_NE(normal, disabled);
    ASSERT_NE(normal, pressed);

    PictureButton button(pictures, &main_);
    button.show();
    // What the button paints, without any background behind it.
    auto shown = [&] {
      QImage image(button.size(), normal.format());
      image.fill(Qt::transparent);
      button.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
      return image;
    };
    EXPECT_EQ(shown(), normal);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    EXPECT_EQ(shown(), hot);
    button.setDown(true);
    EXPECT_EQ(shown(), pressed);
    button.setDown(false);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_EQ(shown(), normal);
    button.setEnabled(false);
    EXPECT_EQ(shown(), disabled);
  }
}

TEST_F(WindowChromeTest, DraggingAHeaderStripMovesTheWindowButItsButtonsKeepTheirClicks) {
  QWidget strip(&main_);
  strip.setGeometry(0, 0, 300, 63);
  auto* button = new QPushButton(QStringLiteral("搜索"), &strip);
  button->setGeometry(200, 10, 60, 30);
  strip.show();
  DragWindowByStrip(&strip, &main_);

  const QPoint start = main_.pos();
  DragWithLeftButton(&strip, strip.mapToGlobal(QPoint(20, 20)), QPoint(45, 30));
  EXPECT_TRUE(ProcessEventsUntil([&] { return main_.pos() == start + QPoint(45, 30); }));

  int clicks = 0;
  QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
  const QPoint on_button = button->mapToGlobal(QPoint(10, 10));
  SendMouse(button, QEvent::MouseButtonPress, on_button, Qt::LeftButton, Qt::LeftButton);
  SendMouse(button, QEvent::MouseMove, on_button + QPoint(2, 2), Qt::NoButton, Qt::LeftButton);
  SendMouse(button, QEvent::MouseButtonRelease, on_button + QPoint(2, 2), Qt::LeftButton,
            Qt::NoButton);
  QApplication::processEvents();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(main_.pos(), start + QPoint(45, 30));
}

}  // namespace
}  // namespace quilla::client::testing
