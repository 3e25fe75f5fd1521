#pragma once
// Moving a caption-less top-level window with the mouse. Where the window manager offers
// its own move (it then also snaps to edges and crosses monitors as users expect), the
// move is handed to it; elsewhere (no window manager, offscreen) the window follows the
// pointer. GUI thread.

#include <QPoint>
#include <QPointF>
#include <QPointer>
#include <QWidget>

namespace quilla::client {

class WindowMover {
 public:
  // The left button went down at `global_pos` on something that moves `window`.
  void Press(QWidget* window, QPointF global_pos);
  // The pointer moved to `global_pos` with the left button held; moves the window when
  // this mover follows the pointer itself. Returns whether it moved the window.
  bool Move(QPointF global_pos);
  // The left button went up: the move is over.
  void Release();
  // A move that this object carries out is going on.
  bool following() const { return window_ != nullptr; }

 private:
  QPointer<QWidget> window_;
  QPointF grab_offset_;  // pointer position minus window position at the press
};

}  // namespace quilla::client
