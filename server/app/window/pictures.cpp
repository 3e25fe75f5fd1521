#include "server/app/window/pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <numbers>

namespace quilla::server {
namespace {

const QColor kAccent(0x1f, 0x7a, 0x8c);
const QColor kAccentDark(0x16, 0x4e, 0x7a);
const QColor kInk(0x2b, 0x3a, 0x4a);

QPixmap Transparent(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

QPixmap IconPixmap(int size) {
  QPixmap pixmap = Transparent(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  QLinearGradient background(0, 0, s, s);
  background.setColorAt(0, kAccent.lighter(125));
  background.setColorAt(1, kAccentDark);
  p.setPen(Qt::NoPen);
  p.setBrush(background);
  p.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.22, s * 0.22);

  // Two beamed quavers.
  p.setBrush(Qt::white);
  const double head_w = s * 0.22, head_h = s * 0.16;
  const QPointF left_head(s * 0.32, s * 0.72), right_head(s * 0.68, s * 0.64);
  p.drawEllipse(left_head, head_w / 2, head_h / 2);
  p.drawEllipse(right_head, head_w / 2, head_h / 2);
  const double stem = std::max(1.0, s * 0.07);
  const double left_x = left_head.x() + head_w / 2 - stem;
  const double right_x = right_head.x() + head_w / 2 - stem;
  p.drawRect(QRectF(left_x, s * 0.24, stem, left_head.y() - s * 0.24));
  p.drawRect(QRectF(right_x, s * 0.16, stem, right_head.y() - s * 0.16));
  QPainterPath beam;
  beam.moveTo(left_x, s * 0.24);
  beam.lineTo(right_x + stem, s * 0.16);
  beam.lineTo(right_x + stem, s * 0.16 + s * 0.12);
  beam.lineTo(left_x, s * 0.24 + s * 0.12);
  beam.closeSubpath();
  p.drawPath(beam);
  return pixmap;
}

void DrawGear(QPainter& p, double s) {
  const QPointF c(s / 2, s / 2);
  const int teeth = 8;
  QPainterPath gear;
  for (int i = 0; i < teeth * 2; ++i) {
    const double a0 = i * std::numbers::pi / teeth;
    const double a1 = (i + 1) * std::numbers::pi / teeth;
    const double r = (i % 2 == 0) ? s * 0.46 : s * 0.34;
    const QPointF p0 = c + QPointF(std::cos(a0) * r, std::sin(a0) * r);
    const QPointF p1 = c + QPointF(std::cos(a1) * r, std::sin(a1) * r);
    if (i == 0)
      gear.moveTo(p0);
    else
      gear.lineTo(p0);
    gear.lineTo(p1);
  }
  gear.closeSubpath();
  QPainterPath hole;
  hole.addEllipse(c, s * 0.14, s * 0.14);
  p.drawPath(gear.subtracted(hole));
}

}  // namespace

QIcon ServerIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(IconPixmap(size));
  return icon;
}

QPixmap DefaultCover(int size) {
  QPixmap pixmap(size, size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  QLinearGradient background(0, 0, 0, s);
  background.setColorAt(0, QColor(0xe8, 0xee, 0xf3));
  background.setColorAt(1, QColor(0xc9, 0xd6, 0xe0));
  p.fillRect(pixmap.rect(), background);

  const QPointF c(s / 2, s / 2);
  QRadialGradient disc(c, s * 0.42);
  disc.setColorAt(0, QColor(0x3a, 0x3f, 0x46));
  disc.setColorAt(1, QColor(0x17, 0x1a, 0x1f));
  p.setPen(Qt::NoPen);
  p.setBrush(disc);
  p.drawEllipse(c, s * 0.42, s * 0.42);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(255, 255, 255, 28), std::max(1.0, s / 120)));
  for (double r = 0.38; r > 0.2; r -= 0.04) p.drawEllipse(c, s * r, s * r);
  p.setPen(Qt::NoPen);
  p.setBrush(kAccent);
  p.drawEllipse(c, s * 0.14, s * 0.14);
  p.setBrush(QColor(0xe8, 0xee, 0xf3));
  p.drawEllipse(c, s * 0.025, s * 0.025);
  return pixmap;
}

QIcon PictureButtonIcon(ButtonPicture picture, int size) {
  QPixmap pixmap = Transparent(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(picture == ButtonPicture::kSettings ? kInk : kAccentDark);
  const double s = size;
  switch (picture) {
    case ButtonPicture::kSettings:
      DrawGear(p, s);
      break;
    case ButtonPicture::kPause:
      p.drawRoundedRect(QRectF(s * 0.22, s * 0.15, s * 0.2, s * 0.7), s * 0.04, s * 0.04);
      p.drawRoundedRect(QRectF(s * 0.58, s * 0.15, s * 0.2, s * 0.7), s * 0.04, s * 0.04);
      break;
    case ButtonPicture::kResume: {
      QPainterPath triangle;
      triangle.moveTo(s * 0.25, s * 0.13);
      triangle.lineTo(s * 0.85, s * 0.5);
      triangle.lineTo(s * 0.25, s * 0.87);
      triangle.closeSubpath();
      p.drawPath(triangle);
      break;
    }
    case ButtonPicture::kSkip: {
      QPainterPath triangle;
      triangle.moveTo(s * 0.15, s * 0.15);
      triangle.lineTo(s * 0.65, s * 0.5);
      triangle.lineTo(s * 0.15, s * 0.85);
      triangle.closeSubpath();
      p.drawPath(triangle);
      p.drawRoundedRect(QRectF(s * 0.68, s * 0.15, s * 0.16, s * 0.7), s * 0.03, s * 0.03);
      break;
    }
  }
  p.end();
  return QIcon(pixmap);
}

}  // namespace quilla::server
