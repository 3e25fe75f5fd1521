#pragma once
// Runs the engine on its own thread: one event loop that executes posted tasks (transport
// events, operator commands, the results of the workers and of the audio player) and the
// four scheduler timers, one at a time; and the workers on which the engine's blocking
// calls run. The window and the console never touch the engine directly; they post.

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "server/app/background_work.h"
#include "server/app/deferrer.h"
#include "server/app/engine_observer.h"

namespace quilla::server {

class EngineHost final : public Deferrer, public TimerSink, public BackgroundWork {
 public:
  EngineHost();
  ~EngineHost() override;  // Shutdown()
  EngineHost(const EngineHost&) = delete;
  EngineHost& operator=(const EngineHost&) = delete;

  // Called on the engine thread whenever a timer fires. Set before Start().
  void SetTickHandler(std::function<void(TimerId)> handler);
  // Starts the engine thread.
  void Start();
  // Any thread but the engine thread and the workers. Stops the loop and joins the engine
  // thread (tasks not yet run are dropped), then stops the workers (see WorkerPool::Stop).
  // Idempotent.
  void Shutdown();

  // Deferrer::Post: any thread, never blocks. Tasks run in posting order.
  void Post(std::function<void()> task) override;
  // Runs `task` on the engine thread and waits for it, however long it takes (for the
  // console, the program's start-up and tests; the window uses PostAndWaitFor). On the
  // engine thread itself, or when no engine thread runs (not started yet, or shut down),
  // runs it right here.
  void PostAndWait(std::function<void()> task);
  // As PostAndWait, but waits at most `limit`: false when the task had not finished by
  // then (it still runs later, so it must not refer to the caller's stack).
  bool PostAndWaitFor(std::function<void()> task, std::chrono::milliseconds limit);
  bool IsEngineThread() const;

  // Deferrer::RunAfter: engine thread, never blocks.
  void RunAfter(std::chrono::milliseconds delay, std::function<void()> continuation) override;
  // TimerSink: engine thread, never blocks. Re-arms the timer with the new period (0 stops
  // it).
  void OnTimerPeriodChanged(TimerId timer, int period_ms) override;
  // BackgroundWork: any thread, never blocks. Two workers.
  void Run(std::function<void(std::stop_token stop)> job) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Fans one engine notification out to several views. Add views before the host starts.
class ObserverList final : public EngineObserver {
 public:
  void Add(EngineObserver* observer) { observers_.push_back(observer); }
  void OnLogAppended(const std::string& text) override {
    for (auto* o : observers_) o->OnLogAppended(text);
  }
  void OnUsersChanged(const std::vector<OnlineUser>& users) override {
    for (auto* o : observers_) o->OnUsersChanged(users);
  }
  void OnQueueChanged(const std::vector<QueuedSong>& queue) override {
    for (auto* o : observers_) o->OnQueueChanged(queue);
  }
  void OnNowPlayingChanged(const NowPlaying& now_playing) override {
    for (auto* o : observers_) o->OnNowPlayingChanged(now_playing);
  }
  void OnProgressChanged(const ProgressDisplay& progress) override {
    for (auto* o : observers_) o->OnProgressChanged(progress);
  }
  void OnControlsChanged(const ControlState& controls) override {
    for (auto* o : observers_) o->OnControlsChanged(controls);
  }

 private:
  std::vector<EngineObserver*> observers_;
};

}  // namespace quilla::server
