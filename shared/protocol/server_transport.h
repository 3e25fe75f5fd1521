#pragma once
// The server's side of the TCP transport: listens, accepts any number of clients, hands
// every connection, message and disconnection to one handler, and sends messages to a
// connection by its ClientHandle.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quilla::protocol {

// Names one accepted connection: a positive number counted up per accepted connection and
// never reused while the program runs, so a handle kept in a stale table row can never
// address a later connection. Written and read back as decimal text.
using ClientHandle = std::int32_t;

struct ServerEvent {
  enum class Kind { kConnected = 0, kClosed = 1, kDataArrived = 2 } kind;
  ClientHandle handle;
  std::string data;  // one complete message body (a CompressedBlock); kDataArrived only
};

struct ServerTransportOptions {
  // Local address to listen on; the server listens on all of them.
  std::string bind_address = "0.0.0.0";
  // Threads that run sockets and the handler.
  int io_threads = 2;
  // Per connection: encoded bytes waiting to be written beyond which the connection is
  // closed (a peer that stops reading cannot make the server grow), and the time a write
  // may make no progress before the connection is closed.
  std::size_t max_unsent_bytes = 4u * 1024u * 1024u;
  std::chrono::milliseconds write_stall_timeout{20000};
  // An incomplete chunk or message followed by this much silence is discarded.
  std::chrono::milliseconds partial_chunk_timeout{20000};
};

class ServerTransport {
  struct Impl;

 public:
  // Called on a transport thread. Calls for different connections may run at the same
  // time on different threads; calls for one connection never overlap and come in order:
  // kConnected first, then its messages in arrival order, kClosed last. Bodies tagged
  // "0001" are dropped before the handler. The handler may call Send; it must not call
  // Start or Stop, and must not throw.
  using Handler = std::function<void(ServerEvent&&)>;

  ServerTransport();
  explicit ServerTransport(ServerTransportOptions options);
  ~ServerTransport();  // stops
  ServerTransport(const ServerTransport&) = delete;
  ServerTransport& operator=(const ServerTransport&) = delete;

  // Binds bind_address:port (port 0 picks a free one, see port()), listens with a backlog
  // of 10 and starts the threads. False when the port is outside 0..65535, the transport
  // is already started, or bind or listen fails; `error_text` (if given) then receives a
  // one-line reason for the operator, e.g. "端口 800 已被占用". Blocks only for the bind.
  bool Start(int port, Handler handler, std::string* error_text = nullptr);

  // Closes the listener and every connection, drops unsent messages and undelivered
  // events, and joins the threads (returns within milliseconds once a running handler
  // call has returned). No handler call runs or starts after Stop returns, and Stop itself
  // reports no kClosed events. Safe to call when not started. Not from the handler (that
  // would wait for itself: std::logic_error).
  void Stop();

  // Queues `body` as one message to `handle` and returns at once; messages to one
  // connection go out in the order of the Send calls and never interleave. Thread-safe,
  // any thread, also from the handler. False when `body` is empty or too large for a
  // frame (kMaxFrameBytes), or no open connection has that handle. True is no delivery
  // confirmation: a connection whose peer stops reading is closed when its unsent bytes
  // pass max_unsent_bytes, and a Send that finds it so returns false.
  bool Send(ClientHandle handle, std::string body);

  // Groups the Sends that this thread makes while the batch lives: their messages queue as
  // usual, but the connections start writing only when the batch ends, so the messages
  // for one connection leave in one write. A broadcast of several messages then costs one
  // write (and one wake-up of the client) per connection instead of one per message.
  // Order, bounds and every other promise of Send are unchanged. Keep a batch to one
  // burst of Sends (it delays the first message until the last is queued); a batch inside
  // another joins the outer one. Sends from other threads are not affected.
  class SendBatch {
   public:
    explicit SendBatch(ServerTransport& transport);
    ~SendBatch();
    SendBatch(const SendBatch&) = delete;
    SendBatch& operator=(const SendBatch&) = delete;

   private:
    Impl* impl_;
  };

  bool IsStarted() const;
  // The bound port while started, else 0.
  int port() const;
  // Open connections right now (for tests and diagnostics).
  std::size_t connection_count() const;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace quilla::protocol
