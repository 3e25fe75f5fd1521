#include "client/app/color_picker.h"

#include <QColorDialog>
#include <QPainter>

#include "client/ui/windows_color.h"

namespace quilla::client {

ColorPicker::ColorPicker(int windows_color, QWidget* parent)
    : QPushButton(parent), color_(windows_color) {
  setCursor(Qt::PointingHandCursor);
  setToolTip(QStringLiteral("选择颜色"));
  connect(this, &QPushButton::clicked, this, &ColorPicker::Choose);
}

void ColorPicker::SetColor(int windows_color) {
  if (color_ == windows_color) return;
  color_ = windows_color;
  update();
  emit ColorChanged(color_);
}

void ColorPicker::Choose() {
  auto* dialog = new QColorDialog(ColorFromWindows(color_), this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowTitle(QStringLiteral("选择颜色"));
  dialog->setOption(QColorDialog::DontUseNativeDialog);
  connect(dialog, &QColorDialog::colorSelected, this,
          [this](const QColor& chosen) { SetColor(WindowsFromColor(chosen)); });
  dialog->open();
}

void ColorPicker::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  painter.setPen(QColor(underMouse() ? 0x1fb57a : 0xd5dce3));
  painter.setBrush(Qt::white);
  painter.drawRoundedRect(frame, 4, 4);
  painter.setPen(QColor(0, 0, 0, 40));
  painter.setBrush(ColorFromWindows(color_));
  painter.drawRoundedRect(frame.adjusted(3, 3, -3, -3), 2.5, 2.5);
}

}  // namespace quilla::client
