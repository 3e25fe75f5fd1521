#pragma once
// A client as the server sees it, built on the real ClientTransport: it joins, sends
// requests and records every message it receives, with the time it arrived.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "protocol/client_transport.h"
#include "protocol/messages.h"

namespace quilla::testing {

struct Received {
  std::string command;  // UTF-8
  std::string payload;  // UTF-8
  std::chrono::steady_clock::time_point at;
};

class ProtocolPeer {
 public:
  bool Connect(int port);
  bool Join(const std::string& name, const std::string& ip = "127.0.0.1") {
    return transport_.Send(protocol::BuildUserJoin(name, ip));
  }
  bool Send(std::string block) { return transport_.Send(std::move(block)); }
  void Close() { transport_.Close(); }

  // Waits until a message with `command` (and, if given, a payload containing `text`)
  // has arrived; returns it, or an empty command on a timeout.
  Received WaitFor(const std::string& command, std::chrono::milliseconds timeout,
                   const std::string& text = "");
  std::vector<Received> Messages() const;
  std::vector<Received> MessagesOf(const std::string& command) const;
  bool closed() const;
  void Clear();

 private:
  protocol::ClientTransport transport_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<Received> received_;
  bool closed_ = false;
};

}  // namespace quilla::testing
