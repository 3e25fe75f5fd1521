#pragma once
// Carries the engine's notifications from the engine thread to a view on the GUI thread.
// Each notification is copied on the engine thread and delivered, in the same order, to
// the view's own EngineObserver methods on the GUI thread.

#include <memory>

#include "server/app/engine_observer.h"
#include "server/app/window/gui_poster.h"

namespace quilla::server {

class ObserverBridge final : public EngineObserver {
 public:
  // `gui_view` is called on `context`'s thread; `context` and `gui_view` must stay alive
  // until Detach().
  ObserverBridge(QObject* context, EngineObserver* gui_view);

  // GUI thread: no notification is delivered to the view after this returns.
  void Detach() { poster_->Detach(); }

  // Engine thread (any thread): copy and post.
  void OnLogAppended(const std::string& text) override;
  void OnUsersChanged(const std::vector<OnlineUser>& users) override;
  void OnQueueChanged(const std::vector<QueuedSong>& queue) override;
  void OnNowPlayingChanged(const NowPlaying& now_playing) override;
  void OnProgressChanged(const ProgressDisplay& progress) override;
  void OnControlsChanged(const ControlState& controls) override;

 private:
  std::shared_ptr<GuiPoster> poster_;
  EngineObserver* view_;
};

}  // namespace quilla::server
