#include "server/app/starts_in_flight.h"

namespace quilla::server {

StartsInFlight::StartsInFlight(AudioPlayer& player, Deferrer& engine, BackgroundWork& work)
    : player_(player), engine_(engine), work_(work) {}

StartsInFlight::Ticket StartsInFlight::Begin() {
  under_way_ = true;
  return latest_->fetch_add(1) + 1;
}

void StartsInFlight::Supersede() {
  if (!under_way_) return;
  latest_->fetch_add(1);
  under_way_ = false;
}

void StartsInFlight::OpenStream(Ticket ticket, const std::string& url,
                                std::function<void(StreamHandle)> then) {
  // The player answers on its own thread (or at once, here): either way the outcome is
  // handled as an event of its own, never in the middle of the engine's current one. The
  // answer may come while the player is freed after the engine is gone; only its event
  // (run on the live engine thread) touches this object.
  player_.OpenStream(StreamSource{.url = url}, [this, engine = &engine_, ticket,
                                                then = std::move(then)](StreamHandle handle) {
    engine->Post([this, ticket, then, handle] {
      if (Superseded(ticket)) {
        if (handle != 0) player_.CloseStream(handle);
        return;
      }
      under_way_ = false;
      then(handle);
    });
  });
}

}  // namespace quilla::server
