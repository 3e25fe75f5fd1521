#include "client/app/picture_boxes.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace quilla::client {
namespace {

// The part of `picture` that fills `target` (cropped to its aspect ratio, centred).
QRectF FillingPart(const QImage& picture, const QRectF& target) {
  const QSizeF size = picture.size();
  const qreal scale = std::max(target.width() / size.width(), target.height() / size.height());
  const QSizeF part(target.width() / scale, target.height() / scale);
  return QRectF(QPointF((size.width() - part.width()) / 2, (size.height() - part.height()) / 2),
                part);
}

}  // namespace

AvatarBox::AvatarBox(QWidget* parent) : QWidget(parent) {
  picture_ = DefaultPicture(130);
}

void AvatarBox::SetPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

QImage AvatarBox::DefaultPicture(int side) {
  return RenderPicture(Picture::kAvatar, QSize(side, side), 1.0).toImage();
}

void AvatarBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
  const QRectF circle = QRectF(rect()).adjusted(1, 1, -1, -1);
  QPainterPath round;
  round.addEllipse(circle);
  if (!picture_.isNull()) {
    painter.save();
    painter.setClipPath(round);
    painter.drawImage(circle, picture_, FillingPart(picture_, circle));
    painter.restore();
  }
  painter.setPen(QPen(QColor(255, 255, 255, 200), 2));
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(circle);
}

void AvatarBox::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit DoubleClicked();
}

CoverBox::CoverBox(QWidget* parent) : QWidget(parent) {}

void CoverBox::SetPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

void CoverBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
  const QRectF area = rect();
  if (picture_.isNull()) {
    PaintPicture(painter, Picture::kCover, area);
    return;
  }
  QPainterPath rounded;
  rounded.addRoundedRect(area, 8, 8);
  painter.setClipPath(rounded);
  painter.drawImage(area, picture_, FillingPart(picture_, area));
}

HeaderStrip::HeaderStrip(QWidget* parent) : QWidget(parent) {}

void HeaderStrip::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient band(0, 0, 0, height());
  band.setColorAt(0, QColor(0xf8, 0xfa, 0xfb));
  band.setColorAt(1, QColor(0xee, 0xf2, 0xf5));
  painter.fillRect(rect(), band);
  PaintPicture(painter, Picture::kHeaderWave, QRectF(0, 0, 578, 63));
  painter.setPen(QColor(0xe1, 0xe6, 0xeb));
  painter.drawLine(0, height() - 1, width(), height() - 1);
}

DrawingBox::DrawingBox(Picture picture, QWidget* parent) : QWidget(parent), picture_(picture) {}

void DrawingBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  PaintPicture(painter, picture_, rect());
}

}  // namespace quilla::client
