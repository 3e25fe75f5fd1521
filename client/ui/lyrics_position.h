#pragma once
// Where the user last dragged the desktop lyrics line, kept in a settings file of its own:
// gcwz.ini, section "GECI", keys "X" and "Y" (the window's top-left corner in desktop
// pixels, decimal). Not in gcsz.ini: a gcsz.ini without its font keys would select item 0
// of every font box.

#include <QList>
#include <QPoint>
#include <QRect>

#include <filesystem>
#include <optional>

namespace quilla::client {

inline constexpr char kLyricsPositionFile[] = "gcwz.ini";

// The remembered corner from `folder`/gcwz.ini; nullopt when the file or a key is missing
// or a value is not a whole number. Blocks on file I/O.
std::optional<QPoint> LoadLyricsPosition(const std::filesystem::path& folder);

// Writes the corner to `folder`/gcwz.ini (atomically, GBK INI), keeping any other line of
// the file. False when it cannot be written. Blocks on file I/O.
bool SaveLyricsPosition(const std::filesystem::path& folder, QPoint corner);

// Whether a window at `window` can be put back there: its centre, where the line is drawn,
// lies on one of `screens` (desktop coordinates). A window that only grazes a screen with
// an edge would show no text at all.
bool IsOnAScreen(const QRect& window, const QList<QRect>& screens);

}  // namespace quilla::client
