#pragma once
// N loopback TCP clients that read everything the server sends, on one thread of their
// own, and count the bytes. Benchmarks wait for a byte total to know that a broadcast
// has reached every client.

#include <asio.hpp>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <memory>
#include <thread>
#include <vector>

#include "protocol/message_frame.h"

namespace quilla::bench {

class LoopbackReaders {
 public:
  // Connects `count` clients to `port`. `greeting(i)`, when given, is written by client i
  // before reading starts (a join, for example).
  LoopbackReaders(int port, int count,
                  const std::function<std::string(std::size_t)>& greeting = nullptr) {
    sockets_.reserve(count);
    for (int i = 0; i < count; ++i) {
      auto socket = std::make_unique<asio::ip::tcp::socket>(io_);
      socket->connect({asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)});
      socket->set_option(asio::ip::tcp::no_delay(true));
      if (greeting) asio::write(*socket, asio::buffer(greeting(sockets_.size())));
      sockets_.push_back(std::move(socket));
    }
    buffers_.resize(sockets_.size(), std::vector<char>(65536));
    for (std::size_t i = 0; i < sockets_.size(); ++i) Read(i);
    thread_ = std::thread([this] { io_.run(); });
  }
  ~LoopbackReaders() {
    io_.stop();
    thread_.join();
  }
  LoopbackReaders(const LoopbackReaders&) = delete;
  LoopbackReaders& operator=(const LoopbackReaders&) = delete;

  // Writes `bytes` on client i from the readers' own thread.
  void PostWrite(std::size_t i, std::string bytes) {
    asio::post(io_, [this, i, bytes = std::move(bytes)] {
      asio::error_code ec;
      asio::write(*sockets_[i], asio::buffer(bytes), ec);
    });
  }
  std::size_t size() const { return sockets_.size(); }
  std::uint64_t total() const { return total_.load(std::memory_order_acquire); }
  // Spins until `target` bytes have arrived in all; false after `timeout`.
  bool WaitForTotal(std::uint64_t target,
                    std::chrono::milliseconds timeout = std::chrono::seconds(30)) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (total() < target) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::yield();
    }
    return true;
  }

 private:
  void Read(std::size_t i) {
    sockets_[i]->async_read_some(asio::buffer(buffers_[i]),
                                 [this, i](const asio::error_code& ec, std::size_t n) {
                                   if (ec) return;
                                   total_.fetch_add(n, std::memory_order_release);
                                   Read(i);
                                 });
  }

  asio::io_context io_;
  std::vector<std::unique_ptr<asio::ip::tcp::socket>> sockets_;
  std::vector<std::vector<char>> buffers_;
  std::atomic<std::uint64_t> total_{0};
  std::thread thread_;
};

// The bytes one message with a body of `body_size` bytes takes on the wire.
inline std::size_t WireBytes(std::size_t body_size) {
  const std::size_t frame = protocol::MessageFrameSize(body_size);
  const std::size_t chunks = (frame + protocol::kChunkDataBytes - 1) / protocol::kChunkDataBytes;
  return frame + chunks * protocol::kChunkHeaderBytes;
}

}  // namespace quilla::bench
