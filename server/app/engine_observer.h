#pragma once
// How the engine tells its views (the window, the console, tests) what changed. Called on
// the engine's thread, so a view must not block: one that lives on another thread copies
// what it needs and hands it over to its own thread.

#include <string>
#include <vector>

#include "server/app/engine_types.h"

namespace quilla::server {

class EngineObserver {
 public:
  virtual ~EngineObserver() = default;
  // One append to the log box, with its CR LF exactly as the engine wrote it.
  virtual void OnLogAppended(const std::string& /*text*/) {}
  virtual void OnUsersChanged(const std::vector<OnlineUser>& /*users*/) {}
  virtual void OnQueueChanged(const std::vector<QueuedSong>& /*queue*/) {}
  virtual void OnNowPlayingChanged(const NowPlaying& /*now_playing*/) {}
  virtual void OnProgressChanged(const ProgressDisplay& /*progress*/) {}
  virtual void OnControlsChanged(const ControlState& /*controls*/) {}
};

// The host that turns timer periods into real timers. A period of 0 stops the timer. The
// ticks themselves come back as events on the engine thread (ServerEngine::OnTimer).
class TimerSink {
 public:
  virtual ~TimerSink() = default;
  // Engine thread; never blocks.
  virtual void OnTimerPeriodChanged(TimerId timer, int period_ms) = 0;
};

}  // namespace quilla::server
