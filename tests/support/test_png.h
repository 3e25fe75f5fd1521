#pragma once
// Pictures as a web server serves them (a cover, an avatar): PNG bytes of an image, and a
// small PNG of one colour. Needs QtGui.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>

#include <string>

namespace quilla::testing {

inline std::string PngBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes.toStdString();
}

inline std::string PngOf(QColor color, int size = 8) {
  QImage image(size, size, QImage::Format_RGB32);
  image.fill(color);
  return PngBytes(image);
}

}  // namespace quilla::testing
