#pragma once
// The font of the desktop lyrics line. Settings files name Windows families ("微软雅黑",
// "楷体", ...) that a Linux desktop seldom has; the line must still show Chinese rather than
// boxes, so the search ends with whatever family here can write Chinese.

#include <QFont>
#include <QString>
#include <QStringList>

#include <optional>

namespace quilla::client {

// The families tried, in order: the requested name, "微软雅黑", "楷体", "黑体", "宋体",
// "Tahoma" (the requested name and that list joined with ";" and split there, empty names
// skipped), then the installed families that write Simplified and then Traditional
// Chinese. Needs a QGuiApplication.
QStringList LyricsFontCandidates(const QString& requested);

// A font of the first installed family of LyricsFontCandidates(requested), `size_px`
// pixels, with the given styles; the application's default family when none of them is
// installed. nullopt for a size of 0 or less: no font, nothing can be drawn. GUI thread.
std::optional<QFont> ResolveLyricsFont(const QString& requested, int size_px, bool bold,
                                       bool italic, bool underline);

}  // namespace quilla::client
