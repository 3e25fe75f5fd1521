#include "server/app/window/observer_bridge.h"

namespace quilla::server {

ObserverBridge::ObserverBridge(QObject* context, EngineObserver* gui_view)
    : poster_(GuiPoster::Create(context)), view_(gui_view) {}

void ObserverBridge::OnLogAppended(const std::string& text) {
  poster_->Post([view = view_, text] { view->OnLogAppended(text); });
}

void ObserverBridge::OnUsersChanged(const std::vector<OnlineUser>& users) {
  poster_->Post([view = view_, users] { view->OnUsersChanged(users); });
}

void ObserverBridge::OnQueueChanged(const std::vector<QueuedSong>& queue) {
  poster_->Post([view = view_, queue] { view->OnQueueChanged(queue); });
}

void ObserverBridge::OnNowPlayingChanged(const NowPlaying& now_playing) {
  poster_->Post([view = view_, now_playing] { view->OnNowPlayingChanged(now_playing); });
}

void ObserverBridge::OnProgressChanged(const ProgressDisplay& progress) {
  poster_->Post([view = view_, progress] { view->OnProgressChanged(progress); });
}

void ObserverBridge::OnControlsChanged(const ControlState& controls) {
  poster_->Post([view = view_, controls] { view->OnControlsChanged(controls); });
}

}  // namespace quilla::server
