#include "client/extras/default_avatar.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace quilla::client {
namespace {

constexpr int kSide = 130;  // twice the 65-pixel box, so it stays sharp on a HiDPI screen

}  // namespace

std::string DefaultAvatarPicture() {
  QImage picture(kSide, kSide, QImage::Format_ARGB32_Premultiplied);
  {
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient ground(0, 0, 0, kSide);
    ground.setColorAt(0.0, QColor(0x8e, 0xc5, 0xfc));
    ground.setColorAt(1.0, QColor(0x3a, 0x7b, 0xd5));
    painter.fillRect(picture.rect(), ground);

    // A head and the shoulders below it, in one soft white.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 235));
    painter.drawEllipse(QRectF(kSide * 0.34, kSide * 0.18, kSide * 0.32, kSide * 0.32));
    QPainterPath shoulders;
    shoulders.moveTo(kSide * 0.14, kSide);
    shoulders.cubicTo(kSide * 0.14, kSide * 0.62, kSide * 0.30, kSide * 0.55, kSide * 0.5,
                      kSide * 0.55);
    shoulders.cubicTo(kSide * 0.70, kSide * 0.55, kSide * 0.86, kSide * 0.62, kSide * 0.86, kSide);
    shoulders.closeSubpath();
    painter.drawPath(shoulders);
  }
  QByteArray png;
  QBuffer output(&png);
  output.open(QIODevice::WriteOnly);
  picture.save(&output, "PNG");
  return std::string(png.constData(), static_cast<std::size_t>(png.size()));
}

}  // namespace quilla::client
