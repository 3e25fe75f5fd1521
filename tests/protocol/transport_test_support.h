#pragma once
// Helpers for transport tests on loopback: a thread-safe event recorder with waits, and a
// raw peer (a plain socket) that can send and read exact wire bytes.

#include "protocol/asio_include.h"
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "protocol/chunk_assembler.h"
#include "protocol/message_frame.h"

namespace quilla::protocol::testing {

using namespace std::chrono_literals;

// Collects events from a transport thread; the test thread waits for a condition.
template <typename Event>
class Recorder {
 public:
  void Add(Event&& e) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(e));
    cv_.notify_all();
  }
  std::function<void(Event&&)> Handler() {
    return [this](Event&& e) { Add(std::move(e)); };
  }
  // Waits until `done(events)` holds; false after `timeout`.
  bool WaitUntil(const std::function<bool(const std::vector<Event>&)>& done,
                 std::chrono::milliseconds timeout = 10s) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, timeout, [&] { return done(events_); });
  }
  bool WaitForCount(std::size_t n, std::chrono::milliseconds timeout = 10s) {
    return WaitUntil([n](const std::vector<Event>& e) { return e.size() >= n; }, timeout);
  }
  std::vector<Event> Snapshot() {
    std::lock_guard lock(mutex_);
    return events_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<Event> events_;
};

// A blocking socket on the test thread, speaking raw wire bytes.
class RawPeer {
 public:
  explicit RawPeer(int port) : socket_(io_) {
    socket_.connect({asio::ip::make_address_v4("127.0.0.1"), static_cast<unsigned short>(port)});
  }
  explicit RawPeer(asio::ip::tcp::socket&& accepted) : socket_(std::move(accepted)) {}

  void Write(std::string_view bytes) { asio::write(socket_, asio::buffer(bytes)); }
  void WriteMessage(std::string_view tag, std::string_view body) {
    std::string wire;
    AppendWireMessage(wire, tag, body);
    Write(wire);
  }
  // Reads until `n` bodies have arrived (or the peer closes); returns what arrived.
  std::vector<Body> ReadBodies(std::size_t n) {
    std::vector<Body> out;
    char buf[kReadBlockBytes];
    while (out.size() < n) {
      asio::error_code ec;
      const std::size_t got = socket_.read_some(asio::buffer(buf), ec);
      if (ec) break;
      for (auto& b : assembler_.Feed(std::string_view(buf, got))) out.push_back(std::move(b));
    }
    return out;
  }
  // True when the other side closed the connection within `timeout`.
  bool WaitForClose(std::chrono::milliseconds timeout = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    socket_.non_blocking(true);
    char buf[4096];
    while (std::chrono::steady_clock::now() < deadline) {
      asio::error_code ec;
      socket_.read_some(asio::buffer(buf), ec);
      if (ec == asio::error::would_block) {
        std::this_thread::sleep_for(5ms);
        continue;
      }
      if (ec) return true;  // eof or reset
    }
    return false;
  }
  void Close() { socket_.close(); }
  asio::ip::tcp::socket& socket() { return socket_; }

 private:
  asio::io_context io_;
  asio::ip::tcp::socket socket_;
  ChunkAssembler assembler_;
};

}  // namespace quilla::protocol::testing
