#pragma once
// The balloon where the desktop has no notification area (many Linux desktops, virtual
// displays): a small frameless popup near the bottom-right corner of the screen that never
// takes the focus. A click on it dismisses it. GUI thread.

#include <QLabel>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include <optional>

namespace quilla::client {

class BalloonPopup : public QWidget {
  Q_OBJECT

 public:
  BalloonPopup();

  // Replaces what the popup says; `icon_kind` 1 shows the information sign, 2 a warning,
  // 3 an error, anything else none. Resizes the popup to fit; does not show it.
  void SetMessage(const QString& title, const QString& text, int icon_kind);
  QString title() const { return title_->text(); }
  QString text() const { return text_->text(); }

 signals:
  void Dismissed();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QLabel* icon_;
  QLabel* title_;
  QLabel* text_;
};

// Where a popup of `popup` size goes on a screen whose available area is `available`: its
// bottom-right corner a margin inside the area's; raised above `band` (the lyrics band,
// when it is shown) if it would overlap it, as long as it then stays on the area.
QRect PlaceBalloon(QSize popup, const QRect& available, const std::optional<QRect>& band);

}  // namespace quilla::client
