#include "client/extras/voice_controller.h"

#include <utility>

namespace quilla::client {
namespace {

void Change(QTimer& timer, TimerChange change) {
  if (change == TimerChange::kStart) timer.start();
  if (change == TimerChange::kStop) timer.stop();
}

}  // namespace

FocusCause FocusCauseOf(Qt::FocusReason reason) {
  switch (reason) {
    case Qt::ActiveWindowFocusReason:
      return FocusCause::kWindowReactivated;
    case Qt::PopupFocusReason:
      return FocusCause::kPopupClosed;
    default:
      return FocusCause::kEntered;
  }
}

VoiceController::VoiceController(UpdateHandler on_update, VoiceTimerPeriods periods)
    : on_update_(std::move(on_update)) {
  // Precise timers: a coarse one may run 5 % off, and the 60-second one would then end
  // the cool-down seconds before the caption has counted down.
  cooldown_timer_.setTimerType(Qt::PreciseTimer);
  cooldown_timer_.setSingleShot(true);
  cooldown_timer_.setInterval(periods.cooldown);
  tick_timer_.setTimerType(Qt::PreciseTimer);
  tick_timer_.setInterval(periods.tick);
  QObject::connect(&cooldown_timer_, &QTimer::timeout,
                   [this] { Apply(model_.OnVoiceCooldownEnd()); });
  QObject::connect(&tick_timer_, &QTimer::timeout, [this] { Apply(model_.OnVoiceTick()); });
}

void VoiceController::Apply(const VoiceUpdate& update) {
  Change(cooldown_timer_, update.cooldown_timer);
  Change(tick_timer_, update.tick_timer);
  if (!update.empty() && on_update_) on_update_(update);
}

}  // namespace quilla::client
