#pragma once
// VoiceMessages with its two timers made real: `时钟1` and `时钟2` are QTimers on the GUI
// thread's event loop, started and stopped as the steps say, and their ticks go back
// into the model. The window forwards the group's events here and shows each update.
//
// Threads: construct, call and destroy on the GUI thread (a QCoreApplication must exist).
// The update handler runs only there: inside each call, and when a timer fires.

#include <QTimer>
#include <Qt>

#include <functional>
#include <string>
#include <string_view>

#include "client/extras/voice_messages.h"

namespace quilla::client {

// The box's focus reason as VoiceMessages reads it.
FocusCause FocusCauseOf(Qt::FocusReason reason);

class VoiceController {
 public:
  using UpdateHandler = std::function<void(const VoiceUpdate&)>;

  explicit VoiceController(UpdateHandler on_update, VoiceTimerPeriods periods = {});
  VoiceController(const VoiceController&) = delete;
  VoiceController& operator=(const VoiceController&) = delete;

  // See VoiceMessages for what each does.
  void SetBoxText(VoiceBox box, std::string text) { model_.SetBoxText(box, std::move(text)); }
  void BoxFocused(VoiceBox box, FocusCause cause) { Apply(model_.BoxFocused(box, cause)); }
  void SetSendingAllowed(bool allowed) { Apply(model_.SetSendingAllowed(allowed)); }
  void SendVoiceMessage(std::string_view sender_name, const VoiceSend& send) {
    Apply(model_.SendVoiceMessage(sender_name, send));
  }

  const VoiceMessages& model() const { return model_; }
  const QTimer& cooldown_timer() const { return cooldown_timer_; }  // `时钟1`
  const QTimer& tick_timer() const { return tick_timer_; }          // `时钟2`

 private:
  void Apply(const VoiceUpdate& update);

  UpdateHandler on_update_;
  VoiceMessages model_;
  QTimer cooldown_timer_;
  QTimer tick_timer_;
};

}  // namespace quilla::client
