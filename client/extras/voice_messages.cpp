#include "client/extras/voice_messages.h"

#include <utility>

#include "protocol/messages.h"

namespace quilla::client {

std::string VoiceCountdownCaption(std::int32_t seconds_left) {
  return std::to_string(seconds_left) + "秒后可再次发送";
}

void VoiceMessages::SetBoxText(VoiceBox box, std::string text) {
  (box == VoiceBox::kAddressee ? addressee_ : message_) = std::move(text);
}

const std::string& VoiceMessages::BoxText(VoiceBox box) const {
  return box == VoiceBox::kAddressee ? addressee_ : message_;
}

VoiceUpdate VoiceMessages::BoxFocused(VoiceBox box, FocusCause cause) {
  VoiceUpdate update;
  if (!ClearsOnFocus(cause)) return update;
  SetBoxText(box, {});
  update.cleared_box = box;
  return update;
}

VoiceUpdate VoiceMessages::SetSendingAllowed(bool allowed) {
  VoiceUpdate update;
  sending_allowed_ = allowed;
  update.button_enabled = button_enabled();
  return update;
}

VoiceUpdate VoiceMessages::SendVoiceMessage(std::string_view sender_name, const VoiceSend& send) {
  VoiceUpdate update;
  // A click that reached a button already disabled (a double click, say) sends nothing.
  if (!button_enabled()) return update;
  const std::string text = protocol::VoiceMessageText(sender_name, addressee_, message_);
  const std::string block = protocol::BuildVoiceMessage(text);
  // Only a message the connection took counts against the cool-down.
  if (block.empty() || !send(block)) {
    update.status_text = std::string(kVoiceSendFailedText);
    return update;
  }
  cooling_down_ = true;
  cooldown_s_ = kVoiceCooldownSeconds;
  cooldown_timer_running_ = true;
  tick_timer_running_ = true;
  update.button_enabled = false;
  update.cooldown_timer = TimerChange::kStart;
  update.tick_timer = TimerChange::kStart;
  return update;
}

void VoiceMessages::SetButton(bool cooling_down, std::string caption, VoiceUpdate& update) {
  cooling_down_ = cooling_down;
  button_caption_ = std::move(caption);
  update.button_enabled = button_enabled();
  update.button_caption = button_caption_;
}

VoiceUpdate VoiceMessages::OnVoiceTick() {
  VoiceUpdate update;
  if (!tick_timer_running_) return update;  // a tick that was already queued when it stopped
  if (cooldown_s_ != 0) {
    --cooldown_s_;
    button_caption_ = VoiceCountdownCaption(cooldown_s_);
    update.button_caption = button_caption_;
    return update;
  }
  SetButton(false, std::string(kVoiceButtonCaption), update);
  tick_timer_running_ = false;
  update.tick_timer = TimerChange::kStop;
  return update;
}

VoiceUpdate VoiceMessages::OnVoiceCooldownEnd() {
  VoiceUpdate update;
  if (!cooldown_timer_running_) return update;
  SetButton(false, std::string(kVoiceButtonCaption), update);
  cooldown_timer_running_ = false;
  update.cooldown_timer = TimerChange::kStop;
  return update;
}

}  // namespace quilla::client
