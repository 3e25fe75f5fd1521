#pragma once
// Pictures for the avatar tests, as the bytes a web server would send.

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <string>

namespace quilla::client {

// `image` encoded in `format` ("PNG", "JPG", ...).
inline std::string EncodePicture(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

inline QImage DecodePicture(const std::string& bytes) {
  return QImage::fromData(
      QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

// 400 x 300: green in the 20 leftmost columns, blue from column 300 on, red between. A
// round cut of the top-left square shows green at its left edge and no blue; a cut from
// the middle would show blue and no green.
inline QImage LandscapePicture() {
  QImage image(400, 300, QImage::Format_RGB32);
  image.fill(Qt::red);
  for (int y = 0; y < 300; ++y) {
    for (int x = 0; x < 20; ++x) image.setPixelColor(x, y, Qt::green);
    for (int x = 300; x < 400; ++x) image.setPixelColor(x, y, Qt::blue);
  }
  return image;
}

}  // namespace quilla::client
