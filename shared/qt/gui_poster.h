#pragma once
// Hands work from any thread to one QObject's thread, for as long as that object wants it.
// Engine notifications, connection events and picture downloads finish on other threads
// and must never touch a window that is being destroyed: the window detaches its poster
// first, and everything posted later is dropped.

#include <QObject>

#include <functional>
#include <memory>
#include <mutex>

namespace quilla::qt {

class GuiPoster {
 public:
  // `target` must outlive the poster or call Detach() before it dies.
  static std::shared_ptr<GuiPoster> Create(QObject* target);

  // Any thread: queues `task` to run on the target's thread and returns at once. Tasks run
  // in posting order. After Detach(), or once the target is gone, the task is dropped.
  void Post(std::function<void()> task);

  // Target's thread: stops all later posts. Tasks already queued are discarded together
  // with the target's pending events when it is destroyed. Idempotent.
  void Detach();

 private:
  explicit GuiPoster(QObject* target) : target_(target) {}

  std::mutex mutex_;
  QObject* target_;
};

}  // namespace quilla::qt
