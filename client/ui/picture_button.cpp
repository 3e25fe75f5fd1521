#include "client/ui/picture_button.h"

#include <QPainter>

#include "client/ui/chrome_pictures.h"

namespace quilla::client {

PictureButton::PictureButton(ButtonPictures pictures, QWidget* parent)
    : QAbstractButton(parent), pictures_(std::move(pictures)) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_Hover);
  resize(sizeHint());
}

const QPixmap& PictureButton::CurrentPicture() const {
  if (!isEnabled()) return pictures_.disabled;
  if (isDown()) return pictures_.pressed;
  if (hot_) return pictures_.hot;
  return pictures_.normal;
}

QSize PictureButton::sizeHint() const {
  return pictures_.normal.deviceIndependentSize().toSize();
}

void PictureButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawPixmap(rect(), CurrentPicture());
}

void PictureButton::enterEvent(QEnterEvent* event) {
  hot_ = true;
  update();
  QAbstractButton::enterEvent(event);
}

void PictureButton::leaveEvent(QEvent* event) {
  hot_ = false;
  update();
  QAbstractButton::leaveEvent(event);
}

ButtonPictures MinimizeButtonPictures(QSize size) {
  return DrawButtonPictures(size, ButtonGlyph::kMinimize);
}

ButtonPictures CloseButtonPictures(QSize size) {
  return DrawButtonPictures(size, ButtonGlyph::kClose);
}

PictureButton* AddMinimizeButton(QWidget* strip, QWidget* window, QPoint at) {
  auto* button = new PictureButton(MinimizeButtonPictures(), strip);
  button->move(at);
  button->setToolTip(QStringLiteral("最小化"));
  QObject::connect(button, &QAbstractButton::clicked, window, &QWidget::showMinimized);
  return button;
}

PictureButton* AddCloseButton(QWidget* strip, QPoint at) {
  auto* button = new PictureButton(CloseButtonPictures(), strip);
  button->move(at);
  button->setToolTip(QStringLiteral("关闭"));
  return button;
}

}  // namespace quilla::client
