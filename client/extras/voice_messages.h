#pragma once
// The group "我想对你说": the two boxes, the send button with its 60-second cool-down, and
// the texts of the group, as plain state. The button's two timers are state here too (on
// or off, a period each) with their tick entry points; VoiceController turns them into
// real timers, a test calls the ticks itself.
//
// Not thread-safe: one object, used on the GUI thread.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quilla::client {

inline constexpr std::string_view kVoiceGroupTitle = "我想对你说";
inline constexpr std::string_view kAddresseeHeading = "你想对谁说：";  // above `编辑框1`
inline constexpr std::string_view kMessageHeading = "你想说的话：";    // above `编辑框2`
inline constexpr std::string_view kDesignedAddressee = "vu";
inline constexpr std::string_view kDesignedMessage =
    "我爱你，如山间清爽的风，如古城温暖的光，从清晨到夜晚，由山野到书房。";
inline constexpr std::string_view kVoiceButtonCaption = "发送语音播报";
// `姓名标签` as designed, before any nickname reaches it.
inline constexpr std::string_view kDesignedNameLabel = "小猪猪";
// The sample labels in their row, after their heading: how the server reads a message.
inline constexpr std::string_view kVoiceSampleHeading = "服务端语音播报文本示例：";
inline constexpr std::array<std::string_view, 5> kVoiceSampleLabels = {
    "小猪猪", "想对", "可爱的小哥哥", "说：", "今天你真帅！"};
inline constexpr std::string_view kVoiceSendFailedText = "语音发送失败，请先连接服务端";
// Whole seconds of the cool-down.
inline constexpr std::int32_t kVoiceCooldownSeconds = 60;

// "N秒后可再次发送": the button's caption N seconds before it may send again.
std::string VoiceCountdownCaption(std::int32_t seconds_left);

// Queues one block on the connection; false when not connected (ServerConnection::Send).
using VoiceSend = std::function<bool(std::string block)>;

// The two timers of the button. `时钟1` ends the cool-down once; `时钟2` counts the seconds
// on the caption. Tests shorten both; the window keeps the designed periods.
struct VoiceTimerPeriods {
  std::chrono::milliseconds cooldown{60000};  // `时钟1`, one shot
  std::chrono::milliseconds tick{1000};       // `时钟2`, repeating
};

enum class VoiceBox {
  kAddressee,  // `编辑框1`: the person addressed
  kMessage,    // `编辑框2`: the message
};

// Why a box got the focus.
enum class FocusCause {
  kEntered,            // the user moved into it (click, Tab, shortcut)
  kWindowReactivated,  // its window came back to the front with the focus still in it
  kPopupClosed,        // its own context menu (cut, copy, paste) closed
};

// Whether a box that gets the focus is cleared. Entering a box clears it, so the designed
// sample texts vanish on first use and a message is typed fresh each time; coming back to
// the window, or out of the box's own context menu, is no new entry and keeps the text the
// user is working on (a paste from another program would otherwise wipe it).
constexpr bool ClearsOnFocus(FocusCause cause) {
  return cause == FocusCause::kEntered;
}

// What a timer does after a step.
enum class TimerChange {
  kNone,
  kStart,  // (re)start with its period
  kStop,
};

// What one step did; the window applies each member that is set.
struct VoiceUpdate {
  std::optional<bool> button_enabled;               // `按钮1`
  std::optional<std::string> button_caption;        // `按钮1`
  std::optional<std::string> status_text;           // `透明标签1`
  std::optional<VoiceBox> cleared_box;              // the box whose text is now empty
  TimerChange cooldown_timer = TimerChange::kNone;  // `时钟1`
  TimerChange tick_timer = TimerChange::kNone;      // `时钟2`

  bool empty() const {
    return !button_enabled && !button_caption && !status_text && !cleared_box &&
           cooldown_timer == TimerChange::kNone && tick_timer == TimerChange::kNone;
  }
};

class VoiceMessages {
 public:
  // The boxes' texts follow every change the user makes.
  void SetBoxText(VoiceBox box, std::string text);
  const std::string& BoxText(VoiceBox box) const;

  // A box got the focus (see ClearsOnFocus).
  VoiceUpdate BoxFocused(VoiceBox box, FocusCause cause);

  // Whether the connection lets the button work: false at start, true from the first
  // successful connection on (SessionState::voice_button_enabled). The button is enabled
  // while this holds and no cool-down runs.
  VoiceUpdate SetSendingAllowed(bool allowed);

  // SendVoiceMessage (`按钮1`): "语音播报" with sender_name + "想对" + `编辑框1` + "说，" +
  // `编辑框2`, where sender_name is the caption of `姓名标签`. When the connection takes it,
  // the button is disabled and both timers start with the cool-down at 60 s; when it is
  // refused (not connected) the status line says so and nothing else changes.
  VoiceUpdate SendVoiceMessage(std::string_view sender_name, const VoiceSend& send);

  // OnVoiceTick (`时钟2`): one second less on the caption, down to "0秒后可再次发送"; the
  // tick after that restores the button and stops this timer.
  VoiceUpdate OnVoiceTick();
  // OnVoiceCooldownEnd (`时钟1`): the button works again; this timer stops.
  VoiceUpdate OnVoiceCooldownEnd();

  bool button_enabled() const { return sending_allowed_ && !cooling_down_; }
  const std::string& button_caption() const { return button_caption_; }
  std::int32_t cooldown_seconds() const { return cooldown_s_; }  // VoiceCooldown
  bool cooldown_timer_running() const { return cooldown_timer_running_; }
  bool tick_timer_running() const { return tick_timer_running_; }

 private:
  void SetButton(bool cooling_down, std::string caption, VoiceUpdate& update);

  std::string addressee_{kDesignedAddressee};
  std::string message_{kDesignedMessage};
  bool sending_allowed_ = false;
  bool cooling_down_ = false;  // between a send and `时钟1` (or `时钟2`'s last tick)
  std::string button_caption_{kVoiceButtonCaption};
  std::int32_t cooldown_s_ = 0;
  bool cooldown_timer_running_ = false;
  bool tick_timer_running_ = false;
};

}  // namespace quilla::client
