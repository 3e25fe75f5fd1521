#include "client/extras/round_avatar.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <algorithm>

namespace quilla::client {

std::optional<std::string> MakeRoundAvatar(std::string_view picture) {
  if (picture.empty()) return std::nullopt;
  QByteArray bytes =
      QByteArray::fromRawData(picture.data(), static_cast<qsizetype>(picture.size()));
  QBuffer input(&bytes);
  input.open(QIODevice::ReadOnly);
  QImageReader reader(&input);
  reader.setAutoTransform(true);
  // The reader's allocation limit (Qt's default) refuses a picture whose pixels would not
  // fit in a sane amount of memory; a hostile address gives "no picture", never a huge
  // allocation.
  const QImage image = reader.read();
  if (image.isNull()) return std::nullopt;

  const int side = std::min(image.width(), image.height());
  QImage round(side, side, QImage::Format_ARGB32_Premultiplied);
  round.fill(Qt::transparent);
  {
    QPainter painter(&round);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // The picture at its own size with its top-left corner at the origin; the ellipse
    // only ever covers the top-left side x side square of it.
    painter.setBrush(QBrush(image.convertToFormat(QImage::Format_ARGB32_Premultiplied)));
    painter.drawEllipse(QRectF(0, 0, side, side));
  }

  QByteArray png;
  QBuffer output(&png);
  output.open(QIODevice::WriteOnly);
  if (!round.save(&output, "PNG")) return std::nullopt;
  return std::string(png.constData(), static_cast<std::size_t>(png.size()));
}

}  // namespace quilla::client
