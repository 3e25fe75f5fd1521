#include "client/ui/header_drag.h"

#include <QMouseEvent>
#include <QObject>
#include <QPointer>

#include "client/ui/window_mover.h"

namespace quilla::client {
namespace {

class StripHandle : public QObject {
 public:
  StripHandle(QWidget* strip, QWidget* window) : QObject(strip), window_(window) {
    strip->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || window_ == nullptr) break;
        mover_.Press(window_, mouse->globalPosition());
        return true;
      }
      case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if ((mouse->buttons() & Qt::LeftButton) && mover_.Move(mouse->globalPosition())) {
          return true;
        }
        break;
      }
      case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && mover_.following()) {
          mover_.Release();
          return true;
        }
        break;
      default:
        break;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QPointer<QWidget> window_;
  WindowMover mover_;
};

}  // namespace

void DragWindowByStrip(QWidget* strip, QWidget* window) {
  if (strip == nullptr || window == nullptr) return;
  new StripHandle(strip, window);
}

}  // namespace quilla::client
