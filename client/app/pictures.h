#pragma once
// The main window's pictures: our own vector drawings, kept as SVG in the program's
// resources (client/app/pictures) and rendered for the screen's pixel density, so that
// they stay sharp on HiDPI screens. GUI thread.

#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QRectF>
#include <QSize>

#include "client/ui/picture_button.h"

namespace quilla::client {

enum class Picture {
  kLogo,        // the program's sign: a note on a green tile
  kGear,        // the connection panel's button
  kSearch,      // the magnifier of the search field
  kSource,      // the catalogue toggle
  kAvatar,      // the built-in avatar (square; the avatar box cuts it round)
  kCover,       // an empty cover: a record
  kNote,        // page button "在线点歌"
  kHistory,     // page button "点歌记录"
  kPerson,      // page button "个人设置"
  kHeaderWave,  // the soft waves along the header strips
};

// Makes the drawings readable by their resource names (":/quilla/client/...svg"), as the
// style sheet reads some of them. Called by the main window before its style sheet; the
// functions below call it themselves.
void RegisterPictureResources();

// The line art of the pictures is drawn in this ink; RenderPicture and PaintPicture can
// draw it in another.
inline constexpr QRgb kPictureInk = 0x3d4a57;

// Draws `picture` into `target` with `painter` (at the painter's own resolution), its ink
// replaced by `ink` when `ink` is valid.
void PaintPicture(QPainter& painter, Picture picture, const QRectF& target,
                  const QColor& ink = QColor());

// `picture` as a pixmap of `size` logical pixels for a screen of `device_pixel_ratio`.
QPixmap RenderPicture(Picture picture, QSize size, qreal device_pixel_ratio,
                      const QColor& ink = QColor());

// The program's icon (window, notification area) in the usual sizes.
QIcon ProgramIcon();

// The four faces of a picture button of `size` showing `picture` at `glyph` size in its
// middle: ink, then the accent when the mouse is over it, darker when pressed, faded when
// disabled. Rendered for the application's pixel density.
ButtonPictures PictureButtonFaces(Picture picture, QSize size, QSize glyph);

}  // namespace quilla::client
