#pragma once
// The shape of a window that draws only part of itself. Without a compositing manager an
// X server shows a translucent window's clear pixels as black and gives them the clicks;
// shaping the window to the pixels it really draws fixes both, with or without one.

#include <QImage>
#include <QPoint>
#include <QRegion>

namespace quilla::client {

// Every pixel of `image` with a non-zero alpha, moved by `offset`. The image must be
// Format_ARGB32 or Format_ARGB32_Premultiplied; any other format gives an empty region.
QRegion VisiblePixels(const QImage& image, QPoint offset = {});

}  // namespace quilla::client
