#pragma once
// The session driven by the connection: every connection event applied to the
// ClientSession in order, "用户加入" sent after every successful connect (also after an
// automatic reconnect), "姓名变更" sent on every nickname change, and the server's "卸载"
// answered by saving and ending. The main window owns one and renders what it reports.
//
// Threads: the GUI thread only (see ServerConnection for how events get there).

#include <functional>
#include <string>
#include <string_view>

#include "client/core/client_session.h"
#include "client/core/server_connection.h"

namespace quilla::client {

struct LinkHooks {
  // After every step that produced an update, with the state after it.
  std::function<void(const SessionState& state, const SessionUpdate& update)> on_update;
  // The server has told this client to end: save pz.ini and the request history
  // (dgjl.ini) as the close buttons do, so a kicked user keeps both.
  std::function<void()> save_before_exit;
  // Then end the program at once (runs right after save_before_exit; no update follows).
  std::function<void()> exit;
};

class ClientLink {
 public:
  ClientLink(ConnectionHost host, LinkHooks hooks, ConnectionOptions options = {});

  // ConnectToServer: `port_text` is read as a number (its leading integer). Returns at
  // once; does nothing while connected or while a connect of the user runs.
  void Connect(const std::string& address, std::string_view port_text, ConnectTrigger trigger);

  // The nickname edit box changed (also when start-up fills it): the label follows and
  // "姓名变更" goes out (refused while disconnected).
  void SetNickname(std::string name);
  void SetPopupsEnabled(bool enabled) { session_.SetPopupsEnabled(enabled); }
  // "启动连接": a lost connection is retried automatically while it is ticked.
  void SetAutoReconnect(bool enabled) { connection_.SetAutoReconnect(enabled); }

  const SessionState& state() const { return session_.state(); }
  const ClientSession& session() const { return session_; }
  ServerConnection& connection() { return connection_; }

 private:
  void OnEvent(ConnectionEvent&& event);
  void Report(const SessionUpdate& update);

  LinkHooks hooks_;
  ClientSession session_;
  ServerConnection connection_;  // last: its events may arrive until it is gone
};

}  // namespace quilla::client
