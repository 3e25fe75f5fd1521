#pragma once
// The client's side of the TCP transport: one connection to the server, messages out in
// Send order, received messages and the loss of the connection handed to one handler on
// one event thread.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace quilla::protocol {

struct ClientEvent {
  enum class Kind { kClosed = 0, kDataArrived = 1 } kind;
  std::string data;  // one complete message body (a CompressedBlock); kDataArrived only
};

struct ClientTransportOptions {
  // See ServerTransportOptions: the same bounds apply to the client's one connection.
  std::size_t max_unsent_bytes = 4u * 1024u * 1024u;
  std::chrono::milliseconds write_stall_timeout{20000};
  std::chrono::milliseconds partial_chunk_timeout{20000};
};

class ClientTransport {
 public:
  // Called on the transport's single event thread, one event at a time, in arrival order.
  // kClosed comes once when the connection is lost (peer closed, error, a limit, or an
  // empty message from the server) and is the last event of that connection. The handler
  // may call Send; it must not call Connect or Close, and must not throw.
  using Handler = std::function<void(ClientEvent&&)>;

  ClientTransport();
  explicit ClientTransport(ClientTransportOptions options);
  ~ClientTransport();  // closes
  ClientTransport(const ClientTransport&) = delete;
  ClientTransport& operator=(const ClientTransport&) = delete;

  // Connects to `address` (dotted IPv4, or a host name that is resolved first) on `port`
  // (1..65535) and starts the event thread. Blocks until connected or failed, at most about
  // `timeout` (name resolution included). False when already connected, on a bad port or
  // address, or when the connection fails. After a lost connection, call Connect again on
  // the same object. Not from the handler (std::logic_error).
  bool Connect(int port, const std::string& address, Handler handler,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

  // Queues `body` as one message and returns at once; messages go out in Send order.
  // Thread-safe. False when `body` is empty or too large for a frame, or not connected.
  bool Send(std::string body);

  // Closes the connection and stops the event thread; no handler call runs after it
  // returns and no kClosed is reported for this close. Connect may be called again
  // afterwards. Safe when not connected. Not from the handler (std::logic_error).
  void Close();

  bool IsConnected() const;

  // The local address of the connected socket as dotted IPv4 text (the address the server
  // sees for this client); empty when not connected or not an IPv4 connection. Thread-safe.
  std::string LocalAddress() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quilla::protocol
