#pragma once
// The one rule for starts in flight. A start (of a queued song, a radio song, a row the
// operator plays) is under way from the moment the engine asks for it until its stream has
// opened or failed. Its blocking steps (the web lookups, the opening of the stream) run
// elsewhere, and each result comes back to the engine thread as an event. While a start
// is under way the scheduler counts the player as busy. A newer start, or a stop of the
// server, supersedes it: every later result of it is dropped, a stream it still opens is
// closed, and so nothing of it is ever announced or broadcast.
//
// Engine thread only (the workers and the player's thread only ever read the ticket).

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <utility>

#include "server/app/background_work.h"
#include "server/app/deferrer.h"
#include "server/audio/audio_player.h"

namespace quilla::server {

class StartsInFlight {
 public:
  using Ticket = std::uint64_t;

  // All three must outlive this object; `engine` brings results back to the engine thread.
  StartsInFlight(AudioPlayer& player, Deferrer& engine, BackgroundWork& work);
  StartsInFlight(const StartsInFlight&) = delete;
  StartsInFlight& operator=(const StartsInFlight&) = delete;

  // Begins a start and returns its ticket; a start still under way is superseded.
  Ticket Begin();
  // Supersedes the start under way, if any, without beginning another.
  void Supersede();
  // True from Begin until the stream of that start has opened or failed.
  bool under_way() const { return under_way_; }

  // Runs `step(stop)` on a worker and then `then(result)` on the engine thread, both only
  // while start `ticket` has not been superseded: a step that has not begun by then is
  // skipped, and a result that comes back after it is dropped. The start stays under way.
  template <typename Step, typename Then>
  void RunBlocking(Ticket ticket, Step step, Then then);

  // Opens `url` for start `ticket`. Once the stream has opened (a handle) or failed (0),
  // the start is no longer under way and `then(handle)` runs on the engine thread. If the
  // start has been superseded by then, `then` is not called and an opened stream is closed.
  void OpenStream(Ticket ticket, const std::string& url, std::function<void(StreamHandle)> then);

 private:
  bool Superseded(Ticket ticket) const { return latest_->load() != ticket; }

  AudioPlayer& player_;
  Deferrer& engine_;
  BackgroundWork& work_;
  // The newest ticket. Shared with the jobs on the workers, which skip a superseded step.
  std::shared_ptr<std::atomic<Ticket>> latest_ = std::make_shared<std::atomic<Ticket>>(0);
  bool under_way_ = false;
};

template <typename Step, typename Then>
void StartsInFlight::RunBlocking(Ticket ticket, Step step, Then then) {
  // The job touches nothing of this object but the shared ticket: it may still be on a
  // worker when the engine is gone. Its event runs only on the live engine thread.
  work_.Run([this, engine = &engine_, latest = latest_, ticket, step = std::move(step),
             then = std::move(then)](std::stop_token stop) mutable {
    if (latest->load() != ticket) return;  // superseded before it began: spare the round trips
    auto result = step(stop);
    if (stop.stop_requested()) return;
    engine->Post([this, ticket, then = std::move(then), result = std::move(result)]() mutable {
      if (!Superseded(ticket)) then(std::move(result));
    });
  });
}

}  // namespace quilla::server
