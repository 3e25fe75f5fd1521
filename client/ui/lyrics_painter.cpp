#include "client/ui/lyrics_painter.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRawFont>
#include <QTextLayout>

#include <functional>
#include <vector>

#include "client/ui/visible_pixels.h"

namespace quilla::client {
namespace {

// The line as outlines: one path per glyph (and one for the underline). Filling glyph by
// glyph costs a fraction of filling the whole line as one path: the rasteriser's work
// grows with the width of what it fills at once.
struct LineOutlines {
  QRectF text_rect;
  std::vector<QPainterPath> glyphs;
  QRectF ink;  // union of the glyphs' bounds
};

LineOutlines LayOut(
    const QString& text, const QFont& font, QSize window_size,
    const std::function<const QPainterPath&(const QRawFont&, quint32)>& outline_of) {
  QString shown = text;
  shown.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
  QTextLayout layout(shown, font);
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  layout.endLayout();

  LineOutlines outlines;
  if (!line.isValid()) return outlines;
  const double width = line.horizontalAdvance();
  const double height = line.ascent() + line.descent();
  outlines.text_rect =
      QRectF((window_size.width() - width) / 2, (window_size.height() - height) / 2, width, height);
  const QPointF origin = outlines.text_rect.topLeft();
  for (const QGlyphRun& run : layout.glyphRuns()) {
    const QRawFont raw = run.rawFont();
    const QList<quint32> indexes = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    for (qsizetype i = 0; i < indexes.size(); ++i) {
      const QPainterPath& outline = outline_of(raw, indexes[i]);
      if (outline.isEmpty()) continue;  // blanks
      QPainterPath glyph = outline.translated(origin + positions[i]);
      outlines.ink |= glyph.boundingRect();
      outlines.glyphs.push_back(std::move(glyph));
    }
  }
  if (font.underline() && width > 0) {
    const QFontMetricsF metrics(font);
    QPainterPath underline;
    underline.addRect(origin.x(), origin.y() + line.ascent() + metrics.underlinePos(), width,
                      metrics.lineWidth());
    outlines.ink |= underline.boundingRect();
    outlines.glyphs.push_back(std::move(underline));
  }
  return outlines;
}

// What the drawing may touch beyond the glyphs' bounds: half the 1-pixel outline plus a
// pixel of anti-aliasing on every side.
constexpr double kInkMargin = 2.0;

// Multiplies every channel of every (premultiplied) pixel by alpha / 255: what filling with
// a colour at that alpha would have given on a clear image.
void ScaleByAlpha(QImage& image, int alpha) {
  const auto a = static_cast<quint32>(alpha);
  const int width = image.width();
  const int height = image.height();
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const quint32 p = row[x];
      if (p == 0) continue;
      quint32 rb = (p & 0x00FF00FF) * a;
      rb = ((rb + ((rb >> 8) & 0x00FF00FF) + 0x00800080) >> 8) & 0x00FF00FF;
      quint32 ag = ((p >> 8) & 0x00FF00FF) * a;
      ag = (ag + ((ag >> 8) & 0x00FF00FF) + 0x00800080) & 0xFF00FF00;
      row[x] = ag | rb;
    }
  }
}

// The shadow, on the image before anything else is drawn. A translucent fill costs the
// rasteriser about twice an opaque one, so on a clear image the glyphs are filled opaque and
// the whole image is then scaled to the shadow's alpha in one pass. Overlapping glyphs thus
// darken no more than one glyph does, as with a single fill of the whole line.
void PaintShadow(QImage& image, QPoint area_origin, const std::vector<const QPainterPath*>& glyphs,
                 const QColor& shadow, QPointF offset, bool image_is_clear) {
  QColor fill = shadow;
  const bool scale_after = image_is_clear && shadow.alpha() < 255;
  if (scale_after) fill.setAlpha(255);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(QPointF(-area_origin) + offset);
    for (const QPainterPath* glyph : glyphs) painter.fillPath(*glyph, fill);
  }
  if (scale_after) ScaleByAlpha(image, shadow.alpha());
}

}  // namespace

QBrush MakeBrush(int gradient_mode, const QColor& color1, const QColor& color2,
                 const QRectF& text_rect) {
  if (gradient_mode != 1 && gradient_mode != 2) return QBrush(color1);
  const double end_y =
      gradient_mode == 1 ? text_rect.bottom() : text_rect.top() + text_rect.height() / 2;
  QLinearGradient gradient(text_rect.left(), text_rect.top(), text_rect.left(), end_y);
  gradient.setColorAt(0, color1);
  gradient.setColorAt(1, color2);
  gradient.setSpread(QGradient::ReflectSpread);
  return QBrush(gradient);
}

const QPainterPath& LyricsPainter::GlyphOutline(const QRawFont& font, quint32 glyph) {
  if (cached_glyphs_ >= kMaxCachedGlyphs) {
    outlines_.clear();
    cached_glyphs_ = 0;
  }
  QHash<quint32, QPainterPath>& outlines = outlines_[font];
  auto found = outlines.find(glyph);
  if (found == outlines.end()) {
    found = outlines.insert(glyph, font.pathForGlyph(glyph));
    ++cached_glyphs_;
  }
  return *found;
}

PaintedLine LyricsPainter::Paint(const QString& text, const LyricsStyle& style, QSize window_size) {
  PaintedLine line;
  const QRect window(QPoint(0, 0), window_size);
  if (window.isEmpty()) return line;

  LineOutlines outlines;
  if (style.font && !text.isEmpty()) {
    outlines = LayOut(text, *style.font, window_size,
                      [this](const QRawFont& font, quint32 glyph) -> const QPainterPath& {
                        return GlyphOutline(font, glyph);
                      });
  }
  line.text_rect = outlines.text_rect;
  const bool has_shadow = style.shadow && style.shadow_offset_px > 0;
  const QPointF shadow_offset(style.shadow_offset_px, style.shadow_offset_px);

  if (style.background) {
    line.area = window;
  } else if (!outlines.ink.isEmpty()) {
    QRectF covered = outlines.ink.adjusted(-kInkMargin, -kInkMargin, kInkMargin, kInkMargin);
    if (has_shadow) covered |= covered.translated(shadow_offset);
    line.area = covered.toAlignedRect() & window;
  }
  if (line.area.isEmpty()) return line;

  line.pixels = QImage(line.area.size(), QImage::Format_ARGB32_Premultiplied);
  line.pixels.fill(style.background ? *style.background : QColor(Qt::transparent));

  // A line wider than the window: glyphs wholly outside it are not drawn at all.
  std::vector<const QPainterPath*> drawn;
  drawn.reserve(outlines.glyphs.size());
  const QRectF visible(line.area);
  for (const QPainterPath& glyph : outlines.glyphs) {
    QRectF reach = glyph.boundingRect().adjusted(-kInkMargin, -kInkMargin, kInkMargin, kInkMargin);
    if (has_shadow) reach |= reach.translated(shadow_offset);
    if (reach.intersects(visible)) drawn.push_back(&glyph);
  }

  if (has_shadow) {
    PaintShadow(line.pixels, line.area.topLeft(), drawn, *style.shadow, shadow_offset,
                !style.background);
  }
  QPainter painter(&line.pixels);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(-line.area.topLeft());
  if (style.outline) {
    const QPen pen(*style.outline, 1.0);
    for (const QPainterPath* glyph : drawn) painter.strokePath(*glyph, pen);
  }
  const QBrush fill =
      MakeBrush(style.gradient_mode, style.text_color1, style.text_color2, line.text_rect);
  for (const QPainterPath* glyph : drawn) painter.fillPath(*glyph, fill);
  painter.end();

  line.shape =
      style.background ? QRegion(line.area) : VisiblePixels(line.pixels, line.area.topLeft());
  return line;
}

}  // namespace quilla::client
