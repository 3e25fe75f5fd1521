#pragma once
// Colours reach the client's windows as Windows colour values, as the settings files store
// them: red in the low byte, then green, then blue (0x00BBGGRR). Only the drawing code
// turns them into QColor, here.

#include <QColor>

#include <algorithm>
#include <cstdint>

namespace quilla::client {

// The colour of a Windows colour value with `alpha` (clamped to 0..255). Bits above the
// blue byte are ignored.
inline QColor ColorFromWindows(std::int64_t value, int alpha = 255) {
  const auto bits = static_cast<std::uint32_t>(value);
  return QColor(static_cast<int>(bits & 0xFF), static_cast<int>((bits >> 8) & 0xFF),
                static_cast<int>((bits >> 16) & 0xFF), std::clamp(alpha, 0, 255));
}

// The Windows colour value of `color` (its alpha is dropped).
inline int WindowsFromColor(const QColor& color) {
  return color.red() | (color.green() << 8) | (color.blue() << 16);
}

}  // namespace quilla::client
