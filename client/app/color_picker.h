#pragma once
// `颜色选择器1`..`3`: a swatch of one lyrics colour; a click opens the colour dialog (without
// blocking the window) and the chosen colour becomes the swatch's. Colours are Windows
// colour values (red in the low byte), as the settings store them. GUI thread.

#include <QPushButton>

namespace quilla::client {

class ColorPicker : public QPushButton {
  Q_OBJECT

 public:
  explicit ColorPicker(int windows_color, QWidget* parent = nullptr);

  int color() const { return color_; }
  void SetColor(int windows_color);

 signals:
  void ColorChanged(int windows_color);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Choose();

  int color_;
};

}  // namespace quilla::client
