#pragma once
// A button that is only a picture, one for each state: normal, hot (the mouse is over it),
// pressed and disabled, as the header strips of the main window have them. GUI thread.

#include <QAbstractButton>
#include <QPixmap>
#include <QPoint>

namespace quilla::client {

struct ButtonPictures {
  QPixmap normal;
  QPixmap hot;
  QPixmap pressed;
  QPixmap disabled;
};

class PictureButton : public QAbstractButton {
  Q_OBJECT

 public:
  // The button takes the size of the normal picture.
  explicit PictureButton(ButtonPictures pictures, QWidget* parent = nullptr);

  // The picture of the button's present state.
  const QPixmap& CurrentPicture() const;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  ButtonPictures pictures_;
  bool hot_ = false;
};

// The main window's minimise and close pictures, drawn here (34 × 26 in the header strips).
ButtonPictures MinimizeButtonPictures(QSize size = QSize(34, 26));
ButtonPictures CloseButtonPictures(QSize size = QSize(34, 26));

// A minimise picture button on `strip` at `at` (the header strips have it at 510, 0) that
// minimises `window`.
PictureButton* AddMinimizeButton(QWidget* strip, QWidget* window, QPoint at = QPoint(510, 0));
// A close picture button on `strip` at `at` (546, 0 in the header strips); what a click
// does is the caller's (connect to clicked()).
PictureButton* AddCloseButton(QWidget* strip, QPoint at = QPoint(546, 0));

}  // namespace quilla::client
