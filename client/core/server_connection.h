#pragma once
// The client's one connection to the server: the ClientTransport with a connect that
// never blocks the caller, automatic reconnection after a lost connection, and every
// outcome delivered as an event on the GUI thread, in order.
//
// Threads: construct, call and destroy on the GUI thread (Send and LocalAddress also from
// any other thread). Each connect attempt runs on a worker thread of its own; received
// messages are decoded on the transport's event thread. Both hand their outcome to the
// GUI thread through ConnectionHost::post, and the EventHandler runs only there, one
// event at a time: for one connection kConnected comes first, then its messages in
// arrival order, then kLost.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "client/core/client_session.h"
#include "protocol/messages.h"

namespace quilla::client {

// How the connection reaches the GUI thread. A Qt program posts to its event loop; a test
// pushes onto a queue that it drains.
struct ConnectionHost {
  // Runs `task` later on the GUI thread, after every task posted before it. Called from
  // worker and transport threads (must be thread-safe), never after the ServerConnection
  // is destroyed.
  std::function<void(std::function<void()>)> post;
  // Runs `task` on the GUI thread once `delay` has passed (the reconnect timer). Called on
  // the GUI thread only. The task checks itself whether it is still wanted.
  std::function<void(std::chrono::milliseconds delay, std::function<void()> task)> post_after;
};

struct ConnectionOptions {
  // The longest a connect attempt (name resolution included) may take.
  std::chrono::milliseconds connect_timeout{5000};
  // Automatic reconnection: the first retry after this delay, each further one after twice
  // the previous delay, never more than max_retry_delay.
  std::chrono::milliseconds first_retry_delay{2000};
  std::chrono::milliseconds max_retry_delay{30000};
};

struct ConnectionEvent {
  enum class Kind {
    kConnected,      // the attempt of `trigger` succeeded: now send "用户加入"
    kConnectFailed,  // the attempt of `trigger` (button or start-up) failed
    kMessage,        // `message` arrived (kUnknown for a block that did not decode)
    kLost,           // the connection was lost
  } kind;
  ConnectTrigger trigger = ConnectTrigger::kButton;  // kConnected and kConnectFailed
  protocol::Message message;                         // kMessage
};

class ServerConnection {
 public:
  using EventHandler = std::function<void(ConnectionEvent&&)>;

  enum class Phase {
    kIdle,        // not connected, nothing pending
    kConnecting,  // an attempt runs
    kConnected,
    kWaitingToRetry,  // lost; the next automatic attempt is scheduled
  };

  ServerConnection(ConnectionHost host, EventHandler on_event, ConnectionOptions options = {});
  // Closes the connection. Never waits for an attempt in progress: that attempt finishes
  // on its own thread, closes what it opened and reports nothing.
  ~ServerConnection();
  ServerConnection(const ServerConnection&) = delete;
  ServerConnection& operator=(const ServerConnection&) = delete;

  // Starts connecting to `address` (dotted IPv4 or a host name) on `port` and returns at
  // once; the outcome arrives as kConnected or kConnectFailed. Returns false (and does
  // nothing) while connected or while an attempt of the button or the start-up runs.
  // While an automatic retry runs, the request waits for it: if the retry succeeds it is
  // reported as this request's success, otherwise this request's own attempt follows.
  // A pending retry is cancelled in favour of the request.
  bool Connect(std::string address, int port, ConnectTrigger trigger);

  // Whether a lost connection is retried automatically (off at start). Turning it off
  // cancels a scheduled retry; turning it on after a loss schedules one.
  void SetAutoReconnect(bool enabled);

  // Queues one block; false when not connected. Any thread.
  bool Send(std::string block);

  // The address to announce in "用户加入": the local address of the connected socket (the
  // address the server sees), else this computer's first non-loopback IPv4 address, else
  // "127.0.0.1". Any thread.
  std::string LocalAddress() const;

  Phase phase() const;
  // The delay the next automatic retry will wait.
  std::chrono::milliseconds next_retry_delay() const;

 private:
  struct Core;
  std::shared_ptr<Core> core_;
};

}  // namespace quilla::client
