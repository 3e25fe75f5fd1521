#pragma once
// Reading a drawn lyrics line back pixel by pixel, in window coordinates.

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRgb>

#include <cstdlib>
#include <optional>

#include "client/ui/lyrics_painter.h"

namespace quilla::client::testing {

// The premultiplied pixel at `p` (window coordinates); fully transparent outside the area.
inline QRgb PixelAt(const PaintedLine& line, QPoint p) {
  if (!line.area.contains(p)) return 0;
  return line.pixels.pixel(p - line.area.topLeft());
}

inline int AlphaAt(const PaintedLine& line, QPoint p) {
  return qAlpha(PixelAt(line, p));
}

// The colour at `p` with the alpha taken out (for opaque pixels: the colour itself).
inline QColor ColorAt(const PaintedLine& line, QPoint p) {
  return QColor::fromRgba(qUnpremultiply(PixelAt(line, p)));
}

// First / last x in row `y` whose alpha is at least `min_alpha`.
inline std::optional<int> FirstInRow(const PaintedLine& line, int y, int min_alpha) {
  for (int x = line.area.left(); x <= line.area.right(); ++x) {
    if (AlphaAt(line, {x, y}) >= min_alpha) return x;
  }
  return std::nullopt;
}
inline std::optional<int> LastInRow(const PaintedLine& line, int y, int min_alpha) {
  for (int x = line.area.right(); x >= line.area.left(); --x) {
    if (AlphaAt(line, {x, y}) >= min_alpha) return x;
  }
  return std::nullopt;
}
// First / last y in column `x` whose alpha is at least `min_alpha`.
inline std::optional<int> FirstInColumn(const PaintedLine& line, int x, int min_alpha) {
  for (int y = line.area.top(); y <= line.area.bottom(); ++y) {
    if (AlphaAt(line, {x, y}) >= min_alpha) return y;
  }
  return std::nullopt;
}
inline std::optional<int> LastInColumn(const PaintedLine& line, int x, int min_alpha) {
  for (int y = line.area.bottom(); y >= line.area.top(); --y) {
    if (AlphaAt(line, {x, y}) >= min_alpha) return y;
  }
  return std::nullopt;
}

inline bool Near(const QColor& a, const QColor& b, int tolerance) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

// The colour a linear gradient from `from` to `to` has at fraction `t` (0..1).
inline QColor Mix(const QColor& from, const QColor& to, double t) {
  return QColor::fromRgbF(from.redF() + (to.redF() - from.redF()) * t,
                          from.greenF() + (to.greenF() - from.greenF()) * t,
                          from.blueF() + (to.blueF() - from.blueF()) * t);
}

}  // namespace quilla::client::testing
