#pragma once
// The server window's own pictures, drawn at run time so that the program carries no
// artwork files: the program icon, the default cover for "Pic" and the faces of the
// picture buttons. GUI thread only (they use QPainter on pixmaps).

#include <QIcon>
#include <QPixmap>

namespace quilla::server {

// The program's icon (window, tray), in several sizes.
QIcon ServerIcon();

// What "Pic" shows when there is no cover or it could not be loaded: a record, `size` px.
QPixmap DefaultCover(int size);

enum class ButtonPicture { kSettings, kPause, kResume, kSkip };
// The face of a picture button, drawn for `size` px.
QIcon PictureButtonIcon(ButtonPicture picture, int size);

}  // namespace quilla::server
