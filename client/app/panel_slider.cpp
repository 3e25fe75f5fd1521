#include "client/app/panel_slider.h"

namespace quilla::client {

PanelSlider::PanelSlider(QWidget* panel, QObject* parent) : QObject(parent), panel_(panel) {
  timer_.setInterval(kStepInterval);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &PanelSlider::Step);
}

int PanelSlider::left() const {
  return panel_ != nullptr ? panel_->x() : kClosedLeft;
}

void PanelSlider::SnapTo(int left) {
  timer_.stop();
  if (panel_ == nullptr) return;
  panel_->move(left, panel_->y());
}

void PanelSlider::Toggle() {
  if (left() == kClosedLeft) {
    SlideOpen();
  } else {
    SlideClosed();
  }
}

void PanelSlider::SlideClosedIfOpen() {
  if (IsOpen()) SlideClosed();
}

void PanelSlider::SlideOpenIfClosed() {
  if (IsClosed()) SlideOpen();
}

void PanelSlider::SnapClosedIfOpen() {
  if (IsOpen()) SnapTo(kClosedLeft);
}

void PanelSlider::StartSlide(int target) {
  if (panel_ == nullptr) return;
  target_ = target;
  // A slide towards the end where the panel stands does nothing, as the stepping loop
  // it replaces did not run; the panel is still snapped there.
  if (left() == target) {
    SnapTo(target);
    return;
  }
  timer_.start();
}

void PanelSlider::Step() {
  if (panel_ == nullptr) {
    timer_.stop();
    return;
  }
  const int x = panel_->x();
  const int next = target_ < x ? x - kStepPixels : x + kStepPixels;
  // The step that reaches or passes the end is snapped onto it.
  const bool arrived = target_ < x ? next <= target_ : next >= target_;
  if (arrived) {
    SnapTo(target_);
  } else {
    panel_->move(next, panel_->y());
  }
}

}  // namespace quilla::client
