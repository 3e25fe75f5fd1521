#pragma once
// The sliding connection panel (`设置外形框`): open with its left edge at 396, closed at 580
// (just outside the visible part of the page). A slide moves it 12 px a step, step after
// step on a timer (the window keeps working meanwhile), and snaps it to the end: 16 steps
// either way. GUI thread.

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <chrono>

namespace quilla::client {

class PanelSlider : public QObject {
  Q_OBJECT

 public:
  static constexpr int kOpenLeft = 396;
  static constexpr int kClosedLeft = 580;
  static constexpr int kStepPixels = 12;
  static constexpr std::chrono::milliseconds kStepInterval{10};

  explicit PanelSlider(QWidget* panel, QObject* parent = nullptr);

  int left() const;
  bool IsOpen() const { return left() == kOpenLeft; }
  bool IsClosed() const { return left() == kClosedLeft; }
  bool sliding() const { return timer_.isActive(); }

  // SlidePanel(true) / SlidePanel(false): from wherever the panel stands.
  void SlideOpen() { StartSlide(kOpenLeft); }
  void SlideClosed() { StartSlide(kClosedLeft); }
  // Puts the panel at `left` at once, ending a slide.
  void SnapTo(int left);

  // The triggers as the window has them.
  // `设置按钮`: open when it stands closed, else close.
  void Toggle();
  void SlideClosedIfOpen();
  void SlideOpenIfClosed();
  void SnapClosedIfOpen();

 private:
  void StartSlide(int target);
  void Step();

  QPointer<QWidget> panel_;
  QTimer timer_;
  int target_ = kOpenLeft;
};

}  // namespace quilla::client
