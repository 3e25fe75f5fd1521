#pragma once
// SIGTERM and SIGINT (a logout, `kill`, Ctrl-C in a terminal) end the client the way any
// other closing of its window does, on the GUI thread. The signal handler only writes one
// byte into a pipe; a socket notifier reads it there. One object per process. GUI thread.

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace quilla::client {

class QuitSignals : public QObject {
  Q_OBJECT

 public:
  explicit QuitSignals(QObject* parent = nullptr);
  ~QuitSignals() override;  // puts the default handlers back

 signals:
  // A signal arrived (its number).
  void Requested(int signal_number);

 private:
  void Read();

  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace quilla::client
