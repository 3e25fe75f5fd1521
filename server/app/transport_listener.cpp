#include "server/app/transport_listener.h"

#include "server/app/server_engine.h"

namespace quilla::server {

TransportListener::TransportListener(protocol::ServerTransport& transport, EngineHost& host)
    : transport_(transport), host_(host) {}

bool TransportListener::Start(int port, std::string* error_text) {
  const std::uint64_t session = ++session_;
  return transport_.Start(
      port,
      [this, session](protocol::ServerEvent&& event) {
        host_.Post([this, session, event = std::move(event)] {
          if (session != session_ || engine_ == nullptr) return;
          switch (event.kind) {
            case protocol::ServerEvent::Kind::kConnected:
              engine_->OnConnected(event.handle);
              break;
            case protocol::ServerEvent::Kind::kClosed:
              engine_->OnClosed(event.handle);
              break;
            case protocol::ServerEvent::Kind::kDataArrived:
              engine_->OnData(event.handle, event.data);
              break;
          }
        });
      },
      error_text);
}

void TransportListener::Stop() {
  ++session_;
  transport_.Stop();
}

bool TransportListener::Send(ClientHandle handle, std::string block) {
  return transport_.Send(handle, std::move(block));
}

}  // namespace quilla::server

namespace quilla::server {

void TransportListener::BeginBatch() {
  batches_.push_back(std::make_unique<protocol::ServerTransport::SendBatch>(transport_));
}

void TransportListener::EndBatch() {
  if (!batches_.empty()) batches_.pop_back();
}

}  // namespace quilla::server
