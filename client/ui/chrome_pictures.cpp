#include "client/ui/chrome_pictures.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPen>

#include <algorithm>

namespace quilla::client {
namespace {

struct Face {
  QColor background;  // transparent: the strip shows through
  QColor glyph;
};

QPixmap DrawFace(QSize size, ButtonGlyph glyph, const Face& face) {
  // Drawn for the screen's pixel density, so that the glyph stays sharp on HiDPI screens.
  const qreal ratio = qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
  QPixmap pixmap(size * ratio);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(QRect(QPoint(0, 0), size), face.background);
  const double cx = size.width() / 2.0;
  const double cy = size.height() / 2.0;
  const double half = std::min(size.width(), size.height()) * 0.2;
  QPen pen(face.glyph, 1.4);
  pen.setCapStyle(Qt::RoundCap);
  painter.setPen(pen);
  if (glyph == ButtonGlyph::kMinimize) {
    painter.drawLine(QPointF(cx - half, cy + 0.5), QPointF(cx + half, cy + 0.5));
  } else {
    painter.drawLine(QPointF(cx - half, cy - half), QPointF(cx + half, cy + half));
    painter.drawLine(QPointF(cx - half, cy + half), QPointF(cx + half, cy - half));
  }
  return pixmap;
}

}  // namespace

ButtonPictures DrawButtonPictures(QSize size, ButtonGlyph glyph) {
  const QColor ink(0x40, 0x48, 0x50);
  const QColor faded(0xb8, 0xbc, 0xc0);
  const bool close = glyph == ButtonGlyph::kClose;
  const Face normal{Qt::transparent, ink};
  const Face hot{close ? QColor(0xe8, 0x11, 0x23) : QColor(0, 0, 0, 0x1a),
                 close ? QColor(Qt::white) : ink};
  const Face pressed{close ? QColor(0xb0, 0x0d, 0x1a) : QColor(0, 0, 0, 0x33),
                     close ? QColor(Qt::white) : ink};
  const Face disabled{Qt::transparent, faded};
  return ButtonPictures{DrawFace(size, glyph, normal), DrawFace(size, glyph, hot),
                        DrawFace(size, glyph, pressed), DrawFace(size, glyph, disabled)};
}

}  // namespace quilla::client
