#pragma once
// The session on screen: every update of the client session (server messages, connect
// outcomes, a lost connection) carried onto the main window's controls, the desktop lyrics
// line, the notification balloons, the connection panel and the cover, in the order the
// updates come. GUI thread.

#include <QString>

#include <functional>

#include "client/app/main_controls.h"
#include "client/app/panel_slider.h"
#include "client/app/picture_fetcher.h"
#include "client/core/session_state.h"
#include "client/ui/desktop_lyrics_window.h"
#include "client/ui/tray_icon.h"

namespace quilla::client {

class SessionView {
 public:
  // Shows a message box with the error icon without waiting for it to be closed.
  using ShowErrorBox = std::function<void(const QString& title, const QString& text)>;

  // Everything passed in outlives the view.
  SessionView(MainControls& controls, DesktopLyricsWindow& lyrics, TrayIcon& tray,
              PanelSlider& panel, PictureFetcher& cover, ShowErrorBox error_box);

  void Apply(const SessionState& state, const SessionUpdate& update);

 private:
  void ApplyQueueEdits(const SessionState& state, const SessionUpdate& update);
  void MovePanel(PanelMove move);

  MainControls& c_;
  DesktopLyricsWindow& lyrics_;
  TrayIcon& tray_;
  PanelSlider& panel_;
  PictureFetcher& cover_;
  ShowErrorBox error_box_;
};

}  // namespace quilla::client
