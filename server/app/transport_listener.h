#pragma once
// Binds the server transport to the engine: the transport's events are posted to the
// engine thread, and the engine's messages go out through the transport.

#include <cstdint>
#include <memory>
#include <vector>

#include "protocol/server_transport.h"
#include "server/app/engine_host.h"
#include "server/app/listener.h"
#include "server/app/outbox.h"

namespace quilla::server {

class ServerEngine;

class TransportListener final : public Listener, public Outbox {
 public:
  TransportListener(protocol::ServerTransport& transport, EngineHost& host);
  // The engine that receives the events; set before the first Start.
  void SetEngine(ServerEngine* engine) { engine_ = engine; }

  // Engine thread.
  bool Start(int port, std::string* error_text) override;
  void Stop() override;
  // Any thread.
  bool Send(ClientHandle handle, std::string block) override;
  // Engine thread.
  void BeginBatch() override;
  void EndBatch() override;

 private:
  protocol::ServerTransport& transport_;
  EngineHost& host_;
  ServerEngine* engine_ = nullptr;
  // One per Start: events of an earlier listening session that are still queued for the
  // engine when it stops are dropped, so a closed connection can never re-enter a table.
  std::uint64_t session_ = 0;
  std::vector<std::unique_ptr<protocol::ServerTransport::SendBatch>> batches_;
};

}  // namespace quilla::server
