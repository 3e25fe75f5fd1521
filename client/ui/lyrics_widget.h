#pragma once
// The window of the desktop lyrics line: frameless, always on top, no taskbar entry, never
// takes the keyboard focus, and shaped to the drawn line so that the desktop sees nothing
// else of it (no black band without a compositing manager, clicks between the letters
// reach the window below). DesktopLyricsWindow owns it and decides what it shows.

#include <QPoint>
#include <QTimer>
#include <QWidget>

#include "client/ui/lyrics_painter.h"
#include "client/ui/window_mover.h"

namespace quilla::client {

class LyricsWidget : public QWidget {
  Q_OBJECT

 public:
  LyricsWidget();

  // Shows `line`: the window takes its shape, and only the area of the old line and of the
  // new one is painted again, before this returns (when the window is shown).
  void ShowLine(PaintedLine line);
  const PaintedLine& line() const { return line_; }

  // Pressing on the drawn line and moving the mouse moves the window.
  void SetDraggable(bool draggable) { draggable_ = draggable; }
  // Close requests (Alt+F4, a window manager's close) are refused.
  void SetNoClose(bool no_close) { no_close_ = no_close; }
  // The window takes no mouse input at all: clicks on the letters reach the window below.
  void SetLocked(bool locked);
  bool locked() const { return locked_; }

  // How long the window must rest after a drag before UserMoved.
  static constexpr int kSettleMs = 300;

 signals:
  // The user dragged the window to `corner` (its new top-left) and let it rest.
  void UserMoved(QPoint corner);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void ApplyShape();

  PaintedLine line_;
  WindowMover mover_;
  bool draggable_ = false;
  bool no_close_ = false;
  bool locked_ = false;
  bool user_moving_ = false;  // a drag began; the window's moves are the user's
  QTimer settle_timer_;
};

}  // namespace quilla::client
