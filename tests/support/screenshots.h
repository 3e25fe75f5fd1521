#pragma once
// What the documentation's screenshot programs share (run on an X server without a
// compositing manager, e.g. under `xvfb-run -a -s "-screen 0 1280x800x24"`): a painted
// desktop to see the windows against, and saving a part of the screen.

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QWidget>

#include <cstdio>
#include <functional>

#include "support/qt_test_support.h"

namespace quilla::testing {

// A desktop to look through the transparent parts at: a sky gradient and a document window.
class ScreenshotDesktop : public QWidget {
 public:
  ScreenshotDesktop() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(0x2c, 0x5d, 0x8a));
    sky.setColorAt(1, QColor(0x9c, 0xc3, 0xd8));
    p.fillRect(rect(), sky);
    const QRect document(60, height() - 330, 520, 300);
    p.fillRect(document, QColor(0xf4, 0xf4, 0xf2));
    p.fillRect(document.adjusted(0, 0, 0, -document.height() + 28), QColor(0xd8, 0xdc, 0xe0));
    p.setPen(QColor(0x9a, 0xa0, 0xa6));
    for (int y = document.top() + 50; y < document.bottom() - 10; y += 22) {
      p.drawLine(document.left() + 24, y, document.right() - 24, y);
    }
  }
};

// Writes `area` of the screen to `path` (PNG); false with a message when it cannot.
inline bool SaveScreenArea(const QRect& area, const QString& path) {
  const bool saved = QGuiApplication::primaryScreen()
                         ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                         .save(path);
  if (!saved) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  return saved;
}

// Lets the X server draw what was shown: waits until `drawn` holds.
inline bool Settle(const std::function<bool()>& drawn) {
  return ProcessEventsUntil(drawn, std::chrono::seconds(10));
}

// The colour of one pixel of the screen.
inline QColor ScreenPixel(QPoint p) {
  return QGuiApplication::primaryScreen()
      ->grabWindow(0, p.x(), p.y(), 1, 1)
      .toImage()
      .pixelColor(0, 0);
}

}  // namespace quilla::testing
