#pragma once
// The drop shadow of the caption-less main window: a thin ring of semi-transparent lines
// just outside its edges, in a window of its own that follows it. The ring window is shaped
// to the ring, so it never covers the main window and shows nothing black on desktops
// without a compositing manager, and it takes neither the focus nor any mouse input.
// GUI thread.

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QSize>
#include <QWidget>

#include <optional>

namespace quilla::client {

class WindowShadow : public QWidget {
  Q_OBJECT

 public:
  // Places the ring around `window` now and whenever it moves, is resized, shown or
  // hidden; hidden while `window` is hidden, minimised, maximised or full screen.
  WindowShadow(QWidget* window, int color, int width_px);

  // Places and redraws the ring; `visible` overrides whether `window` counts as shown.
  void UpdateShadow(std::optional<bool> visible = std::nullopt);

  int ring_width() const { return width_px_; }
  const QColor& color() const { return color_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QPointer<QWidget> window_;
  QColor color_;
  int width_px_;
  QImage ring_;                  // the ring drawn for the current size
  bool ring_composited_ = true;  // drawn for a desktop that blends it
};

// Gives `window` (a top-level widget) a ring of `width_px` pixels in the Windows colour
// `color`, or changes the colour and width of the ring it has. The ring belongs to
// `window` and goes with it. nullptr when `window` is null or not a top-level window, or
// `width_px` is below 1.
WindowShadow* AttachShadow(QWidget* window, int color, int width_px);

// The ring for a window of `size` (the main window plus `width_px` on every side): line i
// (1 = outermost) is a 1-pixel rounded rectangle (corner radius 4) at inset i - 1 in
// `color` with alpha step × i, where step = 100 / width_px up to a width of 8 and
// 150 / width_px above it. Nothing inside the inset of `width_px` is drawn.
QImage RenderShadow(QSize size, const QColor& color, int width_px);

}  // namespace quilla::client
