#pragma once
// What the window tests share: one QApplication for the whole program, and a wait that
// keeps the event loop turning until a condition holds.

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <chrono>
#include <functional>

namespace quilla::testing {

inline void EnsureApplication() {
  static int argc = 1;
  static char name[] = "quilla_qt_test";
  static char* argv[] = {name, nullptr};
  // Kept for the life of the program: Qt wants exactly one, created once.
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
}

// Processes events until `condition` holds or `timeout` passes; returns the last result.
inline bool ProcessEventsUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > timeout.count()) return condition();
    QTest::qWait(5);
  }
  return true;
}

}  // namespace quilla::testing
