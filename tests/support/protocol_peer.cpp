#include "support/protocol_peer.h"

#include "encoding/gbk.h"
#include "protocol/packet_codec.h"

namespace quilla::testing {

bool ProtocolPeer::Connect(int port) {
  return transport_.Connect(port, "127.0.0.1", [this](protocol::ClientEvent&& event) {
    std::lock_guard lock(mutex_);
    if (event.kind == protocol::ClientEvent::Kind::kClosed) {
      closed_ = true;
    } else {
      const protocol::Packet packet = protocol::ParsePacket(event.data);
      const protocol::Message message = protocol::DecodeMessage(event.data);
      received_.push_back(Received{encoding::GbkToUtf8(packet.command),
                                   protocol::PayloadUtf8(message),
                                   std::chrono::steady_clock::now()});
    }
    cv_.notify_all();
  });
}

Received ProtocolPeer::WaitFor(const std::string& command, std::chrono::milliseconds timeout,
                               const std::string& text) {
  std::unique_lock lock(mutex_);
  Received found;
  cv_.wait_for(lock, timeout, [&] {
    for (const auto& r : received_) {
      if (r.command == command && r.payload.find(text) != std::string::npos) {
        found = r;
        return true;
      }
    }
    return false;
  });
  return found;
}

std::vector<Received> ProtocolPeer::Messages() const {
  std::lock_guard lock(mutex_);
  return received_;
}

std::vector<Received> ProtocolPeer::MessagesOf(const std::string& command) const {
  std::lock_guard lock(mutex_);
  std::vector<Received> out;
  for (const auto& r : received_) {
    if (r.command == command) out.push_back(r);
  }
  return out;
}

bool ProtocolPeer::closed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

void ProtocolPeer::Clear() {
  std::lock_guard lock(mutex_);
  received_.clear();
}

}  // namespace quilla::testing
