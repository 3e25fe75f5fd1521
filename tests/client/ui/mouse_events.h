#pragma once
// Mouse events as a window system delivers them, with screen positions, for the drag tests.

#include <QApplication>
#include <QMouseEvent>
#include <QPoint>
#include <QWidget>

namespace quilla::client::testing {

// Sends `widget` a mouse event at the screen point `global`.
inline bool SendMouse(QWidget* widget, QEvent::Type type, QPoint global, Qt::MouseButton button,
                      Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(widget->mapFromGlobal(global)), QPointF(global), button, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
  return event.isAccepted();
}

// Left button down at `from` on `widget`, moved by `delta` in three steps, then up.
inline void DragWithLeftButton(QWidget* widget, QPoint from, QPoint delta) {
  SendMouse(widget, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  for (int step = 1; step <= 3; ++step) {
    SendMouse(widget, QEvent::MouseMove, from + delta * step / 3, Qt::NoButton, Qt::LeftButton);
  }
  SendMouse(widget, QEvent::MouseButtonRelease, from + delta, Qt::LeftButton, Qt::NoButton);
}

}  // namespace quilla::client::testing
