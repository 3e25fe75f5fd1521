#pragma once
// The main window under test: a fresh settings folder, the window started and shown as
// the program starts it, and what the window reported about its ending. Offscreen.

#include <gtest/gtest.h>

#include <QImage>
#include <QMouseEvent>
#include <QPoint>
#include <QTest>

#include <memory>
#include <vector>

#include "client/app/main_window.h"
#include "support/qt_test_support.h"
#include "support/temp_dir.h"
#include "support/test_png.h"

namespace quilla::client::testing {

using quilla::testing::PngOf;
using quilla::testing::ProcessEventsUntil;

class WindowFixture : public ::testing::Test {
 protected:
  WindowFixture() { quilla::testing::EnsureApplication(); }
  ~WindowFixture() override { window_.reset(); }

  // Creates the window over the settings folder, runs its start and shows it.
  MainWindow& Open(MainWindow::Options options = {}) {
    window_.reset();
    endings_.clear();
    window_ = std::make_unique<MainWindow>(ClientSettings(dir_.path()), std::move(options));
    QObject::connect(window_.get(), &MainWindow::Ended,
                     [this](MainWindow::Ending how) { endings_.push_back(how); });
    window_->Start();
    window_->show();
    return *window_;
  }
  void Close() { window_.reset(); }

  MainWindow& window() { return *window_; }
  MainControls& c() { return window_->controls(); }
  const std::filesystem::path& dir() const { return dir_.path(); }
  bool Exists(const char* file) const { return std::filesystem::exists(dir_ / file); }
  // Waits until the connection panel has stopped at an end.
  bool PanelAt(int left) {
    return ProcessEventsUntil(
        [&] { return !window_->panel().sliding() && c().panel->x() == left; });
  }

  quilla::testing::TempDir dir_;
  std::unique_ptr<MainWindow> window_;
  std::vector<MainWindow::Ending> endings_;
};

// A left click on `widget` as the mouse gives it.
inline void LeftPress(QWidget* widget, QPoint at = QPoint(10, 10)) {
  QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, at);
  QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, at);
}

inline QColor Middle(const QImage& picture) {
  return picture.pixelColor(picture.width() / 2, picture.height() / 2);
}

}  // namespace quilla::client::testing
