#pragma once
// Between the main window's controls and the settings files: what each file's keys put
// into the controls at start-up, and what the controls hold when the files are written.
// GUI thread.

#include "client/app/main_controls.h"
#include "client/core/client_settings.h"
#include "client/ui/desktop_lyrics_window.h"

namespace quilla::client {

// gcsz.ini into `字体型号`, `字体大小` and the three style boxes. An index that selects no
// item (a damaged file) leaves that box as it is.
void ApplyLyricsFont(MainControls& c, const LyricsFontSettings& font);
LyricsFontSettings LyricsFontOf(const MainControls& c);

// yssz.ini into the three colour pickers and `文字渐变`.
void ApplyLyricsColors(MainControls& c, const LyricsColorSettings& colors);
LyricsColorSettings LyricsColorsOf(const MainControls& c);

// The texts of pz.ini: address, port, nickname (with its change signal held back: the
// caller runs the nickname handler once), the avatar URL into `标签1` and the notice.
void ApplyProfileTexts(MainControls& c, const ProfileSettings& profile);
// The check boxes of pz.ini: "真" ticks, "假" clears, anything else leaves the box.
void ApplyProfileChecks(MainControls& c, const ProfileSettings& profile);
// Section "Wind" as the controls hold it, every check box as "真" or "假".
ProfileSettings ProfileOf(const MainControls& c);

// The lyrics line's font and colours from the controls: the font item's text, the number
// in the size item's text, the three styles, the pickers and the gradient index.
void ConfigureLyrics(DesktopLyricsWindow& lyrics, const MainControls& c);

}  // namespace quilla::client
