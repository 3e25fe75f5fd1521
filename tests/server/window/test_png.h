#pragma once
// A small PNG of one colour, as a web server would serve a cover picture.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>

#include <string>

namespace quilla::server::testing {

inline std::string PngOf(QColor color, int size = 8) {
  QImage image(size, size, QImage::Format_RGB32);
  image.fill(color);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes.toStdString();
}

}  // namespace quilla::server::testing
