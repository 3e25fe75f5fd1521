#pragma once
// The pictures of the header strips' buttons, drawn at run time so the program carries no
// artwork: a flat face that lightens when the mouse is over it and darkens when pressed
// (red for close, as desktop users know it), and a faded glyph when disabled.

#include <QSize>

#include "client/ui/picture_button.h"

namespace quilla::client {

enum class ButtonGlyph { kMinimize, kClose };

// The four state pictures of a `size` button showing `glyph`. GUI thread.
ButtonPictures DrawButtonPictures(QSize size, ButtonGlyph glyph);

}  // namespace quilla::client
