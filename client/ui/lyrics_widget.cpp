#include "client/ui/lyrics_widget.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>

namespace quilla::client {
namespace {

// A shape that holds no pixel of the window. An empty QRegion would mean "no shape" (the
// whole window), so the shape is one pixel just outside it.
const QRegion kNoPixel(-1, -1, 1, 1);

}  // namespace

LyricsWidget::LyricsWidget() {
  setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                 Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint);
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_QuitOnClose, false);
  setFocusPolicy(Qt::NoFocus);
  setWindowTitle(QStringLiteral("VesperLyricsWindow"));
  setObjectName(QStringLiteral("VesperLyricsWindow"));
  settle_timer_.setSingleShot(true);
  settle_timer_.setInterval(kSettleMs);
  connect(&settle_timer_, &QTimer::timeout, this, [this] {
    user_moving_ = false;
    emit UserMoved(pos());
  });
  ApplyShape();
}

void LyricsWidget::ShowLine(PaintedLine line) {
  QRegion dirty(line_.area);
  dirty += line.area;
  line_ = std::move(line);
  ApplyShape();
  if (!dirty.isEmpty()) repaint(dirty);
}

void LyricsWidget::SetLocked(bool locked) {
  locked_ = locked;
  if (locked) {
    mover_.Release();
  }
  // Told to the window system directly: going through setWindowFlags would hide the
  // window and show it again.
  Qt::WindowFlags flags = windowFlags();
  flags.setFlag(Qt::WindowTransparentForInput, locked);
  overrideWindowFlags(flags);
  if (QWindow* handle = windowHandle()) handle->setFlags(flags);
}

void LyricsWidget::ApplyShape() {
  setMask(line_.shape.isEmpty() ? kNoPixel : line_.shape);
}

void LyricsWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  for (const QRect& rect : event->region()) painter.fillRect(rect, Qt::transparent);
  if (line_.pixels.isNull()) return;
  painter.setClipRegion(event->region());
  painter.drawImage(line_.area.topLeft(), line_.pixels);
}

void LyricsWidget::mousePressEvent(QMouseEvent* event) {
  const bool on_line = line_.shape.contains(event->position().toPoint());
  if (locked_ || !draggable_ || event->button() != Qt::LeftButton || !on_line) {
    event->ignore();
    return;
  }
  user_moving_ = true;
  mover_.Press(this, event->globalPosition());
}

void LyricsWidget::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) mover_.Move(event->globalPosition());
}

void LyricsWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  mover_.Release();
  if (!settle_timer_.isActive()) user_moving_ = false;  // pressed, never moved
}

void LyricsWidget::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (user_moving_) settle_timer_.start();
}

void LyricsWidget::closeEvent(QCloseEvent* event) {
  if (no_close_) {
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

}  // namespace quilla::client
