#pragma once
// Dragging the caption-less main window by its header strips: a press of the left button
// on a strip (or on a child of it that lets the press through, such as a label) and a move
// of the mouse move the whole window. Buttons on the strip keep their clicks. GUI thread.

#include <QWidget>

namespace quilla::client {

// Makes `strip` a handle that moves `window`. The handle goes with `strip`.
void DragWindowByStrip(QWidget* strip, QWidget* window);

}  // namespace quilla::client
