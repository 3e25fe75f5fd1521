#pragma once
// A stand-in for quilla_server where a test or benchmark wants to say exactly what the
// client receives: a real server transport on a free loopback port that remembers its
// clients, sends chosen messages to all of them and records what they send.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "protocol/messages.h"
#include "protocol/server_transport.h"

namespace quilla::testing {

class StandInServer {
 public:
  StandInServer() {
    protocol::ServerTransportOptions options;
    options.bind_address = "127.0.0.1";
    transport_ = std::make_unique<protocol::ServerTransport>(options);
    transport_->Start(0, [this](protocol::ServerEvent&& e) { OnEvent(std::move(e)); });
  }
  ~StandInServer() { transport_->Stop(); }
  StandInServer(const StandInServer&) = delete;
  StandInServer& operator=(const StandInServer&) = delete;

  int port() const { return transport_->port(); }

  // Waits until `count` clients are connected.
  bool WaitForClients(std::size_t count = 1,
                      std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, timeout, [&] { return clients_.size() >= count; });
  }
  // Waits until `count` messages with `command` have arrived from the clients.
  bool WaitForMessages(protocol::Command command, std::size_t count = 1,
                       std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, timeout, [&] { return CountLocked(command) >= count; });
  }
  std::vector<protocol::Message> Received() const {
    std::lock_guard lock(mutex_);
    return received_;
  }

  // Sends `blocks` to every connected client, for each client in one write (as the
  // server's broadcasts leave).
  void Broadcast(const std::vector<std::string>& blocks) {
    std::vector<protocol::ClientHandle> clients;
    {
      std::lock_guard lock(mutex_);
      clients = clients_;
    }
    protocol::ServerTransport::SendBatch batch(*transport_);
    for (protocol::ClientHandle client : clients) {
      for (const auto& block : blocks) transport_->Send(client, block);
    }
  }
  // Closes every connection (the client sees the connection lost).
  void Stop() { transport_->Stop(); }

 private:
  void OnEvent(protocol::ServerEvent&& e) {
    std::lock_guard lock(mutex_);
    switch (e.kind) {
      case protocol::ServerEvent::Kind::kConnected:
        clients_.push_back(e.handle);
        break;
      case protocol::ServerEvent::Kind::kClosed:
        std::erase(clients_, e.handle);
        break;
      case protocol::ServerEvent::Kind::kDataArrived:
        received_.push_back(protocol::DecodeMessage(e.data));
        break;
    }
    cv_.notify_all();
  }

  std::size_t CountLocked(protocol::Command command) const {
    std::size_t n = 0;
    for (const auto& m : received_) n += m.command == command ? 1 : 0;
    return n;
  }

  std::unique_ptr<protocol::ServerTransport> transport_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<protocol::ClientHandle> clients_;
  std::vector<protocol::Message> received_;
};

}  // namespace quilla::testing
