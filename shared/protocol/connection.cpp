#include "protocol/connection.h"

#include <algorithm>

namespace quilla::protocol::detail {

Connection::Connection(asio::ip::tcp::socket socket, TagCounter tags, ConnectionLimits limits)
    : socket_(std::move(socket)),
      strand_(asio::make_strand(socket_.get_executor())),
      limits_(limits),
      tags_(tags) {}

void Connection::Start(Callbacks callbacks, std::function<void()> first) {
  callbacks_ = std::move(callbacks);
  asio::post(strand_, [self = shared_from_this(), first = std::move(first)] {
    if (first && !self->silenced_) first();
    self->StartRead();
  });
}

bool Connection::Send(std::string_view body, bool* start_deferred) {
  bool kick = false;
  bool overflow = false;
  {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    const std::size_t before = pending_.size();
    AppendWireMessage(pending_, tags_.Next(), body);
    if (before != 0 && pending_.size() > limits_.max_unsent_bytes) {
      // The peer does not keep up (see ConnectionLimits): close rather than grow.
      closed_ = true;
      overflow = true;
    } else if (!writing_) {
      writing_ = true;
      kick = true;
    }
  }
  if (overflow) {
    asio::post(strand_, [self = shared_from_this()] { self->Shutdown(); });
    return false;
  }
  if (kick) {
    if (start_deferred) {
      *start_deferred = true;
    } else {
      StartWriting();
    }
  }
  return true;
}

void Connection::StartWriting() {
  asio::post(strand_, [self = shared_from_this()] { self->KickWrite(); });
}

void Connection::CheckTimers(Clock::time_point now) {
  const std::int64_t w = write_waiting_since_.load(std::memory_order_relaxed);
  if (w != 0 && Ticks(now) - w > Clock::duration(limits_.write_stall_timeout).count()) {
    asio::post(strand_, [self = shared_from_this(), w] {
      // Still the same stalled write (no progress since the check)?
      if (self->write_waiting_since_.load() == w) self->Shutdown();
    });
  }
  const std::int64_t p = partial_since_.load(std::memory_order_relaxed);
  if (p != 0 && Ticks(now) - p > Clock::duration(limits_.partial_timeout).count()) {
    asio::post(strand_, [self = shared_from_this(), p] {
      if (self->shut_ || self->partial_since_.load() != p) return;  // data came meanwhile
      self->assembler_.DiscardPartial();
      self->partial_since_ = 0;
    });
  }
}

void Connection::CloseNow() {
  silenced_ = true;
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    pending_.clear();
  }
  shut_ = true;
  asio::error_code ignored;
  socket_.close(ignored);
}

TagCounter Connection::tags() const {
  std::lock_guard lock(mutex_);
  return tags_;
}

void Connection::StartRead() {
  if (shut_) return;
  socket_.async_read_some(
      asio::buffer(read_buffer_),
      asio::bind_executor(strand_, [self = shared_from_this()](const asio::error_code& ec,
                                                                std::size_t n) {
        self->OnRead(ec, n);
      }));
}

void Connection::OnRead(const asio::error_code& ec, std::size_t n) {
  if (shut_) return;
  if (ec) {  // orderly close (eof) or any error: asio already retries would-block itself
    Shutdown();
    return;
  }
  std::vector<Body> bodies = assembler_.Feed(std::string_view(read_buffer_, n));
  partial_since_ = assembler_.HasPartial() ? Ticks(Clock::now()) : 0;
  for (auto& body : bodies) {
    if (shut_ || silenced_) return;
    if (!callbacks_.on_body(std::move(body))) {
      Shutdown();
      return;
    }
  }
  StartRead();
}

void Connection::KickWrite() {
  if (shut_) return;
  if (inflight_done_ == inflight_.size()) {
    inflight_.clear();
    inflight_done_ = 0;
    {
      std::lock_guard lock(mutex_);
      inflight_.swap(pending_);
      if (inflight_.empty()) {
        writing_ = false;
        write_waiting_since_ = 0;
        // Give back the memory of a burst instead of keeping it per connection.
        if (pending_.capacity() > 256 * 1024) pending_.shrink_to_fit();
        return;
      }
    }
    if (inflight_done_ == 0 && write_waiting_since_ == 0) {
      write_waiting_since_ = Ticks(Clock::now());
    }
  }
  socket_.async_write_some(
      asio::buffer(inflight_.data() + inflight_done_, inflight_.size() - inflight_done_),
      asio::bind_executor(strand_, [self = shared_from_this()](const asio::error_code& ec,
                                                                std::size_t n) {
        self->OnWrite(ec, n);
      }));
}

void Connection::OnWrite(const asio::error_code& ec, std::size_t n) {
  if (shut_) return;
  if (ec) {
    Shutdown();
    return;
  }
  inflight_done_ += n;
  write_waiting_since_ = Ticks(Clock::now());  // progress: the stall clock starts again
  KickWrite();
}

void Connection::Shutdown() {
  if (shut_) return;
  shut_ = true;
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    pending_.clear();
  }
  write_waiting_since_ = 0;
  partial_since_ = 0;
  asio::error_code ignored;
  socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
  socket_.close(ignored);
  if (!silenced_ && callbacks_.on_closed) callbacks_.on_closed();
}

PeriodicTimer::PeriodicTimer(asio::io_context& io, std::chrono::milliseconds period,
                             std::function<void()> tick)
    : timer_(io), period_(period), tick_(std::move(tick)) {
  Arm();
}

PeriodicTimer::~PeriodicTimer() {
  timer_.cancel();
}

void PeriodicTimer::Arm() {
  timer_.expires_after(period_);
  timer_.async_wait([this](const asio::error_code& ec) {
    if (ec) return;  // cancelled: the owner is going away
    tick_();
    Arm();
  });
}

std::chrono::milliseconds SweepPeriod(const ConnectionLimits& limits) {
  const auto shorter = std::min(limits.write_stall_timeout, limits.partial_timeout);
  return std::clamp(shorter / 4, std::chrono::milliseconds(5), std::chrono::milliseconds(1000));
}

}  // namespace quilla::protocol::detail
