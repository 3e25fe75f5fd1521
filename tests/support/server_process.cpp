#include "support/server_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "settings/ini_file.h"

namespace quilla::testing {

ServerProcess::~ServerProcess() {
  if (pid_ > 0) SignalAndWait(SIGKILL, std::chrono::seconds(5));
  if (stdin_fd_ >= 0) close(stdin_fd_);
  if (reader_.joinable()) reader_.join();
  if (stdout_fd_ >= 0) close(stdout_fd_);
}

bool ServerProcess::Start(const std::string& binary, const std::vector<std::string>& args) {
  int in_pipe[2];
  int out_pipe[2];
  if (pipe(in_pipe) != 0 || pipe(out_pipe) != 0) return false;
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(binary.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_ = fork();
  if (pid_ < 0) return false;
  if (pid_ == 0) {
    dup2(in_pipe[0], STDIN_FILENO);
    dup2(out_pipe[1], STDOUT_FILENO);
    dup2(out_pipe[1], STDERR_FILENO);
    close(in_pipe[0]);
    close(in_pipe[1]);
    close(out_pipe[0]);
    close(out_pipe[1]);
    execv(binary.c_str(), argv.data());
    _exit(127);
  }
  close(in_pipe[0]);
  close(out_pipe[1]);
  stdin_fd_ = in_pipe[1];
  stdout_fd_ = out_pipe[0];
  reader_ = std::thread([this] { ReadOutput(); });
  return true;
}

void ServerProcess::ReadOutput() {
  std::string pending;
  char buffer[4096];
  while (true) {
    const ssize_t n = read(stdout_fd_, buffer, sizeof buffer);
    if (n <= 0) break;
    pending.append(buffer, static_cast<std::size_t>(n));
    std::size_t newline;
    while ((newline = pending.find('\n')) != std::string::npos) {
      std::lock_guard lock(mutex_);
      lines_.push_back(pending.substr(0, newline));
      pending.erase(0, newline + 1);
      cv_.notify_all();
    }
  }
}

void ServerProcess::Type(const std::string& line) {
  const std::string text = line + "\n";
  if (stdin_fd_ >= 0) (void)!write(stdin_fd_, text.data(), text.size());
}

void ServerProcess::CloseInput() {
  if (stdin_fd_ >= 0) close(stdin_fd_);
  stdin_fd_ = -1;
}

bool ServerProcess::StartHeadless(const std::string& binary, int port,
                                  const std::filesystem::path& config_dir,
                                  const std::map<std::string, std::string>& services) {
  const auto ini = config_dir / "sys.ini";
  for (const char* key : {"Radio", "SpeechToken", "SpeechAudio"}) {
    if (!settings::WriteProfileString(ini, "Services", key, "http://127.0.0.1:9")) return false;
  }
  for (const auto& [key, address] : services) {
    if (!settings::WriteProfileString(ini, "Services", key, address)) return false;
  }
  return Start(binary, {"--headless", "--start", "--port", std::to_string(port), "--config-dir",
                        config_dir.string(), "--audio-output", "null"}) &&
         WaitForLine("服务端启动成功", std::chrono::seconds(10));
}

bool ServerProcess::WaitForLine(const std::string& text, std::chrono::milliseconds timeout) {
  return WaitForLines(text, 1, timeout);
}

bool ServerProcess::WaitForLines(const std::string& text, std::size_t count,
                                 std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return cv_.wait_for(lock, timeout, [&] {
    std::size_t found = 0;
    for (const auto& l : lines_) {
      if (l.find(text) != std::string::npos && ++found >= count) return true;
    }
    return false;
  });
}

std::string ServerProcess::UserHandle(const std::string& name, std::chrono::milliseconds timeout) {
  const std::string column = "\t" + name + "\t";
  Type("users");
  if (!WaitForLine(column, timeout)) return "";
  for (const auto& l : Lines()) {
    if (l.find(column) != std::string::npos) return l.substr(0, l.find('\t'));
  }
  return "";
}

std::vector<std::string> ServerProcess::Lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

int ServerProcess::Wait(std::chrono::milliseconds timeout) {
  if (pid_ <= 0) return -1;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return -1;
}

int ServerProcess::SignalAndWait(int signal, std::chrono::milliseconds timeout) {
  if (pid_ <= 0) return -1;
  kill(pid_, signal);
  const int code = Wait(timeout);
  if (code == -1 && pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  return code;
}

bool StartHeadlessServer(ServerProcess& server, const std::string& binary,
                         const std::filesystem::path& config_dir, int port) {
  const auto ini = config_dir / "sys.ini";
  for (const char* key : {"Radio", "SpeechToken", "SpeechAudio"}) {
    settings::WriteProfileString(ini, "Services", key, "http://127.0.0.1:9");
  }
  return server.Start(binary, {"--headless", "--start", "--port", std::to_string(port),
                               "--config-dir", config_dir.string(), "--audio-output", "null"}) &&
         server.WaitForLine("服务端启动成功", std::chrono::seconds(10));
}

}  // namespace quilla::testing
