#pragma once
// The window's picture boxes: the round avatar, the song's cover and the header strips.
// Each paints its picture at paint time, so it is sharp at any pixel density. GUI thread.

#include <QImage>
#include <QWidget>

#include "client/app/pictures.h"

namespace quilla::client {

// `头像框`: the user's avatar, always drawn as a circle (a picture that is not square shows
// its middle). Starts with the built-in avatar; an empty picture leaves an empty circle.
class AvatarBox : public QWidget {
  Q_OBJECT

 public:
  explicit AvatarBox(QWidget* parent = nullptr);

  void SetPicture(const QImage& picture);
  // The built-in avatar, drawn by the program.
  static QImage DefaultPicture(int side);
  const QImage& picture() const { return picture_; }

 signals:
  // The avatar window opens on a double-click.
  void DoubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QImage picture_;
};

// `歌曲封面显示`: the cover of the song playing, scaled to fill the box with rounded corners;
// without a picture it shows an empty record.
class CoverBox : public QWidget {
  Q_OBJECT

 public:
  explicit CoverBox(QWidget* parent = nullptr);

  void SetPicture(const QImage& picture);
  const QImage& picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
};

// A header strip (`图片框4`, `图片框6`, `图片框5`): a light band with soft waves at its right
// end and a hairline below. The window is dragged by it.
class HeaderStrip : public QWidget {
  Q_OBJECT

 public:
  explicit HeaderStrip(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A box that shows one of the program's drawings (the logo `图片框3`).
class DrawingBox : public QWidget {
  Q_OBJECT

 public:
  DrawingBox(Picture picture, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Picture picture_;
};

}  // namespace quilla::client
