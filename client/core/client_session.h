#pragma once
// The client's reaction to its connection and to every server message, as plain state:
// messages and connection outcomes in, SessionState and a SessionUpdate out. It owns no
// thread and no socket; the window applies each update on the GUI thread and sends the
// blocks this class builds through its ServerConnection.
//
// Not thread-safe: one object, used on one thread (the GUI thread).

#include <string>
#include <string_view>

#include "client/core/session_state.h"
#include "protocol/messages.h"

namespace quilla::client {

// Who started a connect attempt.
enum class ConnectTrigger {
  kButton,   // the user pressed "连接服务端" / "重新连接"
  kStartUp,  // the automatic connect at start-up ("启动连接" ticked)
  kRetry,    // an automatic retry after a lost connection
};

class ClientSession {
 public:
  const SessionState& state() const { return state_; }

  // PopupSetting: balloons are shown only while it is on. Off at start.
  void SetPopupsEnabled(bool enabled) { popups_enabled_ = enabled; }
  bool popups_enabled() const { return popups_enabled_; }

  // One server message. Unknown commands (also undecodable packets, which decode to
  // kUnknown) and messages with the wrong number of fields change nothing.
  SessionUpdate Apply(const protocol::Message& message);
  // Decodes a received block and applies it.
  SessionUpdate ApplyBlock(std::string_view block);

  // A connect attempt has begun. Retries are silent; the others disable the button, and
  // one from the button also says "连接中...".
  SessionUpdate ConnectStarted(ConnectTrigger trigger);
  SessionUpdate Connected();
  // A connect attempt by the button or at start-up has failed.
  SessionUpdate ConnectFailed();
  SessionUpdate ConnectionLost();

  // The nickname edit box now holds `name` (every keystroke, and when the settings fill
  // it at start-up). Send NameChangeBlock() afterwards; it is refused while disconnected.
  SessionUpdate SetNickname(std::string name);

  // "用户加入" with the current nickname and `local_address`.
  std::string JoinBlock(std::string_view local_address) const;
  // "姓名变更" with the current nickname.
  std::string NameChangeBlock() const;

 private:
  void ShowNowPlaying(const protocol::NowPlaying& song, const std::string& balloon_text,
                      SessionUpdate& update);
  void ClearQueueMirror(SessionUpdate& update);
  void SetRequestControls(bool enabled, SessionUpdate& update);
  void SetStatus(std::string text, SessionUpdate& update);
  void ShowBalloon(std::string text, SessionUpdate& update) const;

  SessionState state_;
  bool popups_enabled_ = false;
};

}  // namespace quilla::client
