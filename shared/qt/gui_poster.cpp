#include "qt/gui_poster.h"

#include <QMetaObject>

namespace quilla::qt {

std::shared_ptr<GuiPoster> GuiPoster::Create(QObject* target) {
  return std::shared_ptr<GuiPoster>(new GuiPoster(target));
}

void GuiPoster::Post(std::function<void()> task) {
  // Holding the lock while posting keeps Detach() from completing in between: once
  // Detach() returns, no new event can be aimed at the target.
  std::lock_guard lock(mutex_);
  if (target_ == nullptr) return;
  QMetaObject::invokeMethod(target_, std::move(task), Qt::QueuedConnection);
}

void GuiPoster::Detach() {
  std::lock_guard lock(mutex_);
  target_ = nullptr;
}

}  // namespace quilla::qt
