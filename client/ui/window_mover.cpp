#include "client/ui/window_mover.h"

#include <QWindow>

namespace quilla::client {

void WindowMover::Press(QWidget* window, QPointF global_pos) {
  window_ = nullptr;
  if (window == nullptr) return;
  QWindow* handle = window->windowHandle();
  if (handle != nullptr && handle->startSystemMove()) return;
  window_ = window;
  grab_offset_ = global_pos - QPointF(window->pos());
}

bool WindowMover::Move(QPointF global_pos) {
  if (window_ == nullptr) return false;
  const QPoint target = (global_pos - grab_offset_).toPoint();
  if (target == window_->pos()) return false;
  window_->move(target);
  return true;
}

void WindowMover::Release() {
  window_ = nullptr;
}

}  // namespace quilla::client
