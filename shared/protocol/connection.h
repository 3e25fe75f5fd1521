#pragma once
// One TCP connection of either transport: reads and assembles chunks, writes queued
// messages in Send order, enforces the receive and send bounds. Internal to
// quilla_protocol; the public faces are ServerTransport and ClientTransport.
//
// Threads: every read, write and callback of one connection runs on its own strand, so
// callbacks for one connection never overlap and arrive in stream order. Send and
// CheckTimers may be called from any thread.

#include "protocol/asio_include.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "protocol/chunk_assembler.h"
#include "protocol/message_frame.h"

namespace quilla::protocol::detail {

struct ConnectionLimits {
  // Bytes of encoded messages waiting to be written. A Send that would go beyond it (with
  // other messages already waiting) closes the connection instead of queuing: the peer has
  // stopped reading. Dropping old messages instead would leave the peer's copy of the state
  // silently wrong; a closed connection is visible to both programs, and the client's
  // reconnect brings the whole state again. A single message is always accepted when
  // nothing else waits, so a large message never closes an idle connection.
  std::size_t max_unsent_bytes;
  // A write that makes no progress for this long closes the connection, for the same reason.
  std::chrono::milliseconds write_stall_timeout;
  // An incomplete chunk or message followed by this much silence is discarded; the
  // connection stays open.
  std::chrono::milliseconds partial_timeout;
};

class Connection : public std::enable_shared_from_this<Connection> {
 public:
  struct Callbacks {
    // One received body. Returning false closes the connection (on_closed follows).
    std::function<bool(Body&&)> on_body;
    // The connection has closed (peer, error or a limit); called once, after the last
    // on_body, unless the connection was closed with Silence().
    std::function<void()> on_closed;
  };

  Connection(asio::ip::tcp::socket socket, TagCounter tags, ConnectionLimits limits);

  // Runs `first` (if any) on the strand, then starts reading.
  void Start(Callbacks callbacks, std::function<void()> first = {});

  // Queues `body` as one message with the next tag; thread-safe, returns at once. False
  // when the connection is closed or closing (including a close caused by this Send).
  // With `start_deferred`, an idle writer is not started; *start_deferred is set to true
  // instead and the caller must call StartWriting later.
  bool Send(std::string_view body, bool* start_deferred = nullptr);
  // Starts the writer after a deferred Send; thread-safe.
  void StartWriting();

  // Closes the connection when a timeout has passed; thread-safe and cheap.
  void CheckTimers(std::chrono::steady_clock::time_point now);

  // No callback of this connection runs after the one in progress (if any) returns.
  void Silence() { silenced_ = true; }

  // Closes the socket at once. Only while no thread runs the io_context.
  void CloseNow();

  // The tag counter as it stands (the client's sequence continues on its next connection).
  TagCounter tags() const;

 private:
  using Clock = std::chrono::steady_clock;
  static std::int64_t Ticks(Clock::time_point t) { return t.time_since_epoch().count(); }

  void StartRead();
  void OnRead(const asio::error_code& ec, std::size_t n);
  void KickWrite();
  void OnWrite(const asio::error_code& ec, std::size_t n);
  void Shutdown();

  asio::ip::tcp::socket socket_;
  asio::strand<asio::any_io_executor> strand_;
  const ConnectionLimits limits_;
  Callbacks callbacks_;
  std::atomic<bool> silenced_{false};

  // Strand only.
  bool shut_ = false;
  ChunkAssembler assembler_;
  char read_buffer_[kReadBlockBytes];
  std::string inflight_;  // bytes being written
  std::size_t inflight_done_ = 0;

  // Guarded by mutex_: the send side shared with Send callers.
  mutable std::mutex mutex_;
  TagCounter tags_;
  std::string pending_;  // encoded messages not yet handed to the writer
  bool writing_ = false;
  bool closed_ = false;

  // For CheckTimers: steady-clock ticks of the last write progress while a write is
  // outstanding, and of the last read while something partial is buffered; 0 = none.
  std::atomic<std::int64_t> write_waiting_since_{0};
  std::atomic<std::int64_t> partial_since_{0};
};

// Calls `tick` on the io_context every `period` until destroyed (destroy it while no thread
// runs the io_context, before the io_context itself).
class PeriodicTimer {
 public:
  PeriodicTimer(asio::io_context& io, std::chrono::milliseconds period, std::function<void()> tick);
  ~PeriodicTimer();

 private:
  void Arm();
  asio::steady_timer timer_;
  std::chrono::milliseconds period_;
  std::function<void()> tick_;
};

// A sweep period that notices the shorter of the two timeouts within a quarter of it.
std::chrono::milliseconds SweepPeriod(const ConnectionLimits& limits);

}  // namespace quilla::protocol::detail
