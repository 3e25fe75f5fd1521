#pragma once
// The main window's look: its colours and the one style sheet that dresses its controls
// (found by their names). Kept apart so that the window's code says what the controls do
// and this file how they look.

#include <QColor>
#include <QString>
#include <QWidget>

namespace quilla::client::style {

inline constexpr QRgb kAccent = 0x1fb57a;      // progress, marker, primary buttons
inline constexpr QRgb kAccentDark = 0x14945f;  // pressed, lyrics line
inline constexpr QRgb kInk = 0x3d4a57;         // text and line art
inline constexpr QRgb kFaded = 0xb8c0c8;       // disabled
inline constexpr QRgb kStripInk = 0xc9d3dc;    // line art on the dark left strip
inline constexpr QRgb kSilver = 0xc0c0c0;      // the search box's resting text (192, 192, 192)

// The style sheet of the main window. Text colours not named there come from the palette
// (see ApplyMainWindowPalette), so that a control can still change its own palette, as
// the search box does for its resting text.
QString MainWindowStyleSheet();

// Gives `window` the palette that goes with the style sheet.
void ApplyMainWindowPalette(QWidget* window);

}  // namespace quilla::client::style
