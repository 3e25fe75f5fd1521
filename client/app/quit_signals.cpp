#include "client/app/quit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace quilla::client {
namespace {

int pipe_fds[2] = {-1, -1};

void OnSignal(int signal_number) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(signal_number);
  // write() is async-signal-safe; a full pipe already holds a request.
  [[maybe_unused]] const ssize_t written = write(pipe_fds[1], &byte, 1);
  errno = saved;
}

void Handle(int signal_number, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(signal_number, &action, nullptr);
}

}  // namespace

QuitSignals::QuitSignals(QObject* parent) : QObject(parent) {
  if (pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(pipe_fds[0], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &QuitSignals::Read);
  Handle(SIGTERM, &OnSignal);
  Handle(SIGINT, &OnSignal);
}

QuitSignals::~QuitSignals() {
  if (!notifier_) return;
  Handle(SIGTERM, SIG_DFL);
  Handle(SIGINT, SIG_DFL);
  notifier_.reset();
  close(pipe_fds[0]);
  close(pipe_fds[1]);
  pipe_fds[0] = pipe_fds[1] = -1;
}

void QuitSignals::Read() {
  unsigned char byte = 0;
  while (read(pipe_fds[0], &byte, 1) == 1) emit Requested(byte);
}

}  // namespace quilla::client
