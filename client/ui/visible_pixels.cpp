#include "client/ui/visible_pixels.h"

#include <QRect>

#include <vector>

namespace quilla::client {

QRegion VisiblePixels(const QImage& image, QPoint offset) {
  if (image.format() != QImage::Format_ARGB32 &&
      image.format() != QImage::Format_ARGB32_Premultiplied) {
    return {};
  }
  // One rectangle per run of drawn pixels in a row. Runs of a row never touch and rows come
  // top to bottom, left to right: the banded order that QRegion::setRects takes as it is.
  std::vector<QRect> runs;
  const int width = image.width();
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    int x = 0;
    while (x < width) {
      while (x < width && qAlpha(row[x]) == 0) ++x;
      if (x == width) break;
      const int start = x;
      while (x < width && qAlpha(row[x]) != 0) ++x;
      runs.emplace_back(start + offset.x(), y + offset.y(), x - start, 1);
    }
  }
  QRegion region;
  if (!runs.empty()) region.setRects(runs.data(), static_cast<int>(runs.size()));
  return region;
}

}  // namespace quilla::client
