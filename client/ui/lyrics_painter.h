#pragma once
// Drawing the desktop lyrics line: one line of text as glyph outlines, centred in the
// window, with a shadow, an outline and a gradient fill, on a transparent (or filled)
// band. Pure drawing into an image; the window shows what this returns.

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPainterPath>
#include <QRawFont>
#include <QRect>
#include <QRectF>
#include <QRegion>
#include <QSize>
#include <QString>

#include <optional>

namespace quilla::client {

// How the line looks, in drawing terms (the window converts the Windows colour values).
struct LyricsStyle {
  std::optional<QFont> font;  // none: no text is drawn
  QColor text_color1;         // see MakeBrush
  QColor text_color2;
  int gradient_mode = 0;             // 0 solid, 1 two colours, 2 three bands; see MakeBrush
  std::optional<QColor> outline;     // 1-pixel outline; none: no outline
  std::optional<QColor> shadow;      // none: no shadow
  int shadow_offset_px = 0;          // to the right and downwards
  std::optional<QColor> background;  // fill of the whole window; none: transparent
};

// One drawn line, in window coordinates.
struct PaintedLine {
  QRect area;        // the pixels the line covers (text, outline, shadow), cut to the
                     // window; empty when nothing is drawn
  QImage pixels;     // premultiplied ARGB of `area`
  QRegion shape;     // every pixel of `area` that is not fully transparent
  QRectF text_rect;  // the measured line, centred in the window both ways; it may reach
                     // beyond the window's edges, which cut it
};

// The fill of the text for `text_rect`:
//  0 (and any unknown mode): solid `color1`;
//  1: linear gradient from `color1` at the top edge of `text_rect` to `color2` at its
//     bottom edge, mirrored beyond them;
//  2: linear gradient from `color1` at the top edge to `color2` at the middle, mirrored
//     below it, so `color1` again at the bottom edge.
QBrush MakeBrush(int gradient_mode, const QColor& color1, const QColor& color2,
                 const QRectF& text_rect);

// Draws the lyrics line. Keeps the outlines of the glyphs it has drawn (lyrics lines share
// most of their characters, and reading an outline from the font is a good part of a
// line's cost), up to a few thousand. GUI thread (fonts).
class LyricsPainter {
 public:
  // Draws `text` on one line (line breaks count as spaces), centred in a window of
  // `window_size`: first the shadow (the text's outline filled with the shadow colour,
  // moved right and down by the offset), then the outline, then the fill, which covers the
  // outline's inner half. Only the covered area is drawn and returned.
  PaintedLine Paint(const QString& text, const LyricsStyle& style, QSize window_size);

 private:
  static constexpr qsizetype kMaxCachedGlyphs = 4096;
  const QPainterPath& GlyphOutline(const QRawFont& font, quint32 glyph);

  QHash<QRawFont, QHash<quint32, QPainterPath>> outlines_;
  qsizetype cached_glyphs_ = 0;
};

}  // namespace quilla::client
