#include "server/app/engine_host.h"

#include <asio.hpp>

#include <future>
#include <optional>

#include "server/app/worker_pool.h"

namespace quilla::server {

struct EngineHost::Impl {
  asio::io_context io;
  std::optional<asio::executor_work_guard<asio::io_context::executor_type>> work{
      asio::make_work_guard(io)};
  std::thread thread;
  std::thread::id thread_id;
  std::function<void(TimerId)> tick_handler;

  struct Timer {
    explicit Timer(asio::io_context& io) : timer(io) {}
    asio::steady_timer timer;
    int period_ms = 0;
    // Bumped on every re-arm, so a tick that was already on its way for an older arming
    // is recognised and dropped.
    std::uint64_t arming = 0;
  };
  std::array<Timer, kTimerCount> timers{Timer(io), Timer(io), Timer(io), Timer(io)};
  WorkerPool workers{2};

  void Arm(int index, asio::steady_timer::time_point when) {
    Timer& t = timers[index];
    const std::uint64_t arming = ++t.arming;
    t.timer.expires_at(when);
    t.timer.async_wait([this, index, arming](const asio::error_code& ec) {
      if (ec) return;
      Timer& timer = timers[index];
      if (timer.arming != arming || timer.period_ms == 0) return;
      const auto due = timer.timer.expiry();
      if (tick_handler) tick_handler(static_cast<TimerId>(index));
      // Re-arm unless the tick itself changed this timer's period (which re-armed it).
      if (timer.arming == arming && timer.period_ms > 0) {
        auto next = due + std::chrono::milliseconds(timer.period_ms);
        const auto now = asio::steady_timer::clock_type::now();
        if (next < now) next = now + std::chrono::milliseconds(timer.period_ms);
        Arm(index, next);
      }
    });
  }
};

EngineHost::EngineHost() : impl_(std::make_unique<Impl>()) {}

EngineHost::~EngineHost() {
  Shutdown();
}

void EngineHost::SetTickHandler(std::function<void(TimerId)> handler) {
  impl_->tick_handler = std::move(handler);
}

void EngineHost::Start() {
  if (impl_->thread.joinable()) return;
  std::promise<std::thread::id> started;
  auto id = started.get_future();
  impl_->thread = std::thread([this, &started] {
    started.set_value(std::this_thread::get_id());
    impl_->io.run();
  });
  impl_->thread_id = id.get();
}

void EngineHost::Shutdown() {
  if (impl_->thread.joinable()) {
    impl_->work.reset();
    impl_->io.stop();
    impl_->thread.join();
  }
  // After the loop: no new job is handed in, and what the workers still post is dropped.
  impl_->workers.Stop();
}

void EngineHost::Post(std::function<void()> task) {
  asio::post(impl_->io, std::move(task));
}

void EngineHost::PostAndWait(std::function<void()> task) {
  PostAndWaitFor(std::move(task), std::chrono::milliseconds::max());
}

bool EngineHost::PostAndWaitFor(std::function<void()> task, std::chrono::milliseconds limit) {
  // On the engine thread, or with no engine thread at all, nobody else can run it.
  if (IsEngineThread() || !impl_->thread.joinable()) {
    task();
    return true;
  }
  // Shared, so that a task still running when we give up waiting never touches a dead frame.
  auto done = std::make_shared<std::promise<void>>();
  auto finished = done->get_future();
  Post([task = std::move(task), done] {
    task();
    done->set_value();
  });
  using std::chrono::milliseconds;
  const auto start = std::chrono::steady_clock::now();
  constexpr milliseconds kPoll(50);
  while (true) {
    const auto waited =
        std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start);
    if (waited >= limit) return false;
    if (finished.wait_for(std::min(limit - waited, kPoll)) == std::future_status::ready) {
      return true;
    }
    // A loop that was stopped before the task ran leaves nothing to wait for.
    if (impl_->io.stopped()) return false;
  }
}

bool EngineHost::IsEngineThread() const {
  return impl_->thread.joinable() && std::this_thread::get_id() == impl_->thread_id;
}

void EngineHost::RunAfter(std::chrono::milliseconds delay, std::function<void()> continuation) {
  auto timer = std::make_shared<asio::steady_timer>(impl_->io, delay);
  timer->async_wait([timer, continuation = std::move(continuation)](const asio::error_code& ec) {
    if (!ec) continuation();
  });
}

void EngineHost::Run(std::function<void(std::stop_token stop)> job) {
  impl_->workers.Run(std::move(job));
}

void EngineHost::OnTimerPeriodChanged(TimerId timer, int period_ms) {
  const int index = static_cast<int>(timer);
  Impl::Timer& t = impl_->timers[index];
  t.period_ms = period_ms;
  if (period_ms <= 0) {
    ++t.arming;
    t.timer.cancel();
    return;
  }
  impl_->Arm(index, asio::steady_timer::clock_type::now() + std::chrono::milliseconds(period_ms));
}

}  // namespace quilla::server
