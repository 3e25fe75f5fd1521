#include "client/core/client_link.h"

#include "settings/ini_file.h"

namespace quilla::client {

ClientLink::ClientLink(ConnectionHost host, LinkHooks hooks, ConnectionOptions options)
    : hooks_(std::move(hooks)),
      connection_(
          std::move(host), [this](ConnectionEvent&& e) { OnEvent(std::move(e)); }, options) {}

void ClientLink::Connect(const std::string& address, std::string_view port_text,
                         ConnectTrigger trigger) {
  if (!connection_.Connect(address, settings::TextToInt(port_text), trigger)) return;
  Report(session_.ConnectStarted(trigger));
}

void ClientLink::SetNickname(std::string name) {
  const SessionUpdate update = session_.SetNickname(std::move(name));
  connection_.Send(session_.NameChangeBlock());
  Report(update);
}

void ClientLink::OnEvent(ConnectionEvent&& event) {
  switch (event.kind) {
    case ConnectionEvent::Kind::kConnected: {
      const SessionUpdate update = session_.Connected();
      connection_.Send(session_.JoinBlock(connection_.LocalAddress()));
      Report(update);
      break;
    }
    case ConnectionEvent::Kind::kConnectFailed:
      Report(session_.ConnectFailed());
      break;
    case ConnectionEvent::Kind::kLost:
      Report(session_.ConnectionLost());
      break;
    case ConnectionEvent::Kind::kMessage: {
      const SessionUpdate update = session_.Apply(event.message);
      if (update.exit_requested) {
        if (hooks_.save_before_exit) hooks_.save_before_exit();
        if (hooks_.exit) hooks_.exit();
        return;
      }
      Report(update);
      break;
    }
  }
}

void ClientLink::Report(const SessionUpdate& update) {
  if (!update.empty() && hooks_.on_update) hooks_.on_update(session_.state(), update);
}

}  // namespace quilla::client
