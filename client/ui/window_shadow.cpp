#include "client/ui/window_shadow.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include "client/ui/compositing.h"
#include "client/ui/visible_pixels.h"
#include "client/ui/windows_color.h"

namespace quilla::client {
namespace {

constexpr double kCornerRadius = 4.0;

// A ring around a minimised, maximised or full-screen window would lie off its edges or
// on other monitors.
bool HasFreeEdges(const QWidget& window) {
  return !(window.windowState() &
           (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

// Without a compositing manager the X server shows a translucent pixel's colour scaled down
// by its alpha (over black): the light-grey ring would come out dark grey. There the ring
// is drawn as it would look over a white desktop, opaque.
QImage OverWhite(QImage ring) {
  for (int y = 0; y < ring.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(ring.scanLine(y));
    for (int x = 0; x < ring.width(); ++x) {
      const QRgb p = row[x];
      const int cover = 255 - qAlpha(p);
      if (cover == 255) continue;  // outside the ring: stays clear and out of the shape
      row[x] = qRgba(qRed(p) + cover, qGreen(p) + cover, qBlue(p) + cover, 255);
    }
  }
  return ring;
}

}  // namespace

QImage RenderShadow(QSize size, const QColor& color, int width_px) {
  QImage ring(size, QImage::Format_ARGB32_Premultiplied);
  ring.fill(Qt::transparent);
  if (size.isEmpty() || width_px < 1) return ring;
  const int w = size.width();
  const int h = size.height();
  QPainter painter(&ring);
  painter.setRenderHint(QPainter::Antialiasing);
  QRegion outside(ring.rect());
  outside -= QRegion(width_px, width_px, w - 2 * width_px, h - 2 * width_px);
  painter.setClipRegion(outside);
  const int step = width_px <= 8 ? 100 / width_px : 150 / width_px;
  for (int i = 1; i <= width_px; ++i) {
    QColor line = color;
    line.setAlpha(std::min(255, step * i));
    painter.setPen(QPen(line, 1.0));
    painter.setBrush(Qt::NoBrush);
    // Pixel centres lie at .5: this line covers columns i - 1 and w - i exactly.
    QPainterPath outline;
    outline.addRoundedRect(QRectF(i - 0.5, i - 0.5, w - 2 * i + 1, h - 2 * i + 1), kCornerRadius,
                           kCornerRadius);
    painter.drawPath(outline);
  }
  return ring;
}

WindowShadow::WindowShadow(QWidget* window, int color, int width_px)
    : QWidget(window, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                          Qt::WindowTransparentForInput | Qt::NoDropShadowWindowHint),
      window_(window),
      color_(ColorFromWindows(color)),
      width_px_(width_px) {
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_QuitOnClose, false);
  setFocusPolicy(Qt::NoFocus);
  setObjectName(QStringLiteral("Vesper.Shadow"));
  window->installEventFilter(this);
}

void WindowShadow::UpdateShadow(std::optional<bool> visible) {
  if (window_ == nullptr) return;
  if (!visible.value_or(window_->isVisible()) || !HasFreeEdges(*window_)) {
    hide();
    return;
  }
  const QRect frame = window_->frameGeometry();
  if (frame.isEmpty()) return;
  const QRect around = frame.adjusted(-width_px_, -width_px_, width_px_, width_px_);
  // A compositing manager may have come or gone while the ring was hidden; a move alone
  // does not ask the X server again.
  const bool composited =
      around.size() != ring_.size() || isHidden() ? DesktopIsComposited() : ring_composited_;
  if (around.size() != ring_.size() || composited != ring_composited_) {
    ring_ = RenderShadow(around.size(), color_, width_px_);
    setMask(VisiblePixels(ring_));
    if (!composited) ring_ = OverWhite(std::move(ring_));
    ring_composited_ = composited;
  }
  setGeometry(around);
  if (isHidden()) show();
  update();
}

bool WindowShadow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_) {
    switch (event->type()) {
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::WindowStateChange:
        UpdateShadow();
        break;
      case QEvent::Show:
        UpdateShadow(true);
        break;
      case QEvent::Hide:
        UpdateShadow(false);
        break;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void WindowShadow::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.setClipRegion(event->region());
  painter.drawImage(0, 0, ring_);
}

WindowShadow* AttachShadow(QWidget* window, int color, int width_px) {
  if (window == nullptr || !window->isWindow() || width_px < 1) return nullptr;
  auto* shadow = window->findChild<WindowShadow*>(QString(), Qt::FindDirectChildrenOnly);
  if (shadow == nullptr) {
    shadow = new WindowShadow(window, color, width_px);
  } else if (shadow->ring_width() != width_px || shadow->color() != ColorFromWindows(color)) {
    delete shadow;
    shadow = new WindowShadow(window, color, width_px);
  }
  shadow->UpdateShadow();
  return shadow;
}

}  // namespace quilla::client
