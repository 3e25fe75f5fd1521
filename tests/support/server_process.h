#pragma once
// The real quilla_server started as a child process in headless mode: the test types
// console commands into its standard input and reads its standard output line by line.

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/free_port.h"

namespace quilla::testing {

class ServerProcess {
 public:
  ServerProcess() = default;
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  // Starts `binary` with `args`. Returns false when the process could not be started.
  bool Start(const std::string& binary, const std::vector<std::string>& args);
  // Starts `binary` headless, serving on `port`, with its settings in `config_dir`, no
  // sound device, and every outside service of the server pointed at a closed loopback
  // port; then waits until it serves. False when it did not come up within 10 s.
  // `services` points keys of sys.ini's "Services" section elsewhere (say "SpeechToken" and
  // "SpeechAudio" at a local stand-in).
  bool StartHeadless(const std::string& binary, int port, const std::filesystem::path& config_dir,
                     const std::map<std::string, std::string>& services = {});
  // Types one console line.
  void Type(const std::string& line);
  // Waits until a line of standard output contains `text`; true when it came in time.
  bool WaitForLine(const std::string& text, std::chrono::milliseconds timeout);
  // Waits until at least `count` lines contain `text` (for a line the server prints again,
  // such as a second "服务端启动成功").
  bool WaitForLines(const std::string& text, std::size_t count, std::chrono::milliseconds timeout);
  std::vector<std::string> Lines() const;
  // The handle of the online user `name`, from the console's "users" answer; empty when
  // no such user is listed within `timeout`.
  std::string UserHandle(const std::string& name,
                         std::chrono::milliseconds timeout = std::chrono::seconds(5));
  // Closes standard input (end of input).
  void CloseInput();
  // Sends `signal` and waits for the exit; returns the exit code, or -1 on a timeout
  // (the process is then killed).
  int SignalAndWait(int signal, std::chrono::milliseconds timeout);
  // Waits for the process to end by itself; the exit code, or -1 on a timeout.
  int Wait(std::chrono::milliseconds timeout);
  // The process id while it runs (-1 otherwise), for looking at it from outside.
  int Pid() const { return pid_; }

 private:
  void ReadOutput();

  int pid_ = -1;
  int stdin_fd_ = -1;
  int stdout_fd_ = -1;
  std::thread reader_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<std::string> lines_;
};

// Starts `binary` (quilla_server) headless and started on `port` with its settings in
// `config_dir`, no sound device, and every outside service it knows pointing at a closed
// loopback port; waits until it listens. False when it did not come up.
bool StartHeadlessServer(ServerProcess& server, const std::string& binary,
                         const std::filesystem::path& config_dir, int port);

}  // namespace quilla::testing
