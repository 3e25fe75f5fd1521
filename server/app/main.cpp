// quilla_server: the program on the computer with the speakers. It wires the engine to its
// real parts (transport, libmpv, the web services) and to a window or, with --headless, to
// an operator console on standard input.

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <atomic>
#include <clocale>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "protocol/lan_address.h"
#include "protocol/server_transport.h"
#include "server/app/console.h"
#include "server/app/engine_host.h"
#include "server/app/server_engine.h"
#include "server/app/server_options.h"
#include "server/app/transport_listener.h"
#include "server/app/window/main_window.h"
#include "server/audio/announcement_player.h"
#include "server/audio/mpv_audio_player.h"
#include "server/radio/web_radio_service.h"
#include "server/voice/service_settings.h"
#include "server/voice/voice_announcer.h"

namespace {

using namespace quilla::server;

std::filesystem::path ProgramDir(const char* argv0) {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) exe = std::filesystem::absolute(argv0, ec);
  return exe.parent_path();
}

// Serialises console output: log lines come from the engine thread, answers too, but the
// start-up messages come from the main thread.
class ConsoleOut {
 public:
  void Print(const std::string& line) {
    std::lock_guard lock(mutex_);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }

 private:
  std::mutex mutex_;
};

// Waits for "quit", SIGINT or SIGTERM. The signals are blocked in every thread and taken
// here with sigwait, so no handler runs in the middle of anything.
class QuitSignal {
 public:
  void Request() {
    std::lock_guard lock(mutex_);
    quit_ = true;
    cv_.notify_all();
  }
  void Wait() {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [this] { return quit_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool quit_ = false;
};

int RunHeadless(EngineHost& host, ServerEngine& engine, const ServerOptions& options,
                const std::filesystem::path& sys_ini, ConsoleOut& out) {
  QuitSignal quit;
  std::thread([&quit] {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    int signal_number = 0;
    sigwait(&set, &signal_number);
    quit.Request();
  }).detach();

  if (options.start) host.Post([&engine] { engine.StartServer(); });

  // The console reader. End of input ends only the reading, not the server.
  std::thread([&host, &engine, &quit, &out] {
    std::string line;
    while (std::getline(std::cin, line)) {
      host.Post([&engine, &quit, &out, line] {
        auto print = [&out](const std::string& text) { out.Print(text); };
        if (ExecuteConsoleCommand(engine, line, print) == ConsoleResult::kQuit) quit.Request();
      });
    }
  }).detach();

  quit.Wait();
  host.PostAndWait([&engine, &sys_ini] { engine.Exit(sys_ini); });
  host.Shutdown();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  const auto options = ParseServerOptions(args, ProgramDir(argv[0]), &error);
  if (!options) {
    std::fprintf(stderr, "%s\n%s\n", error.c_str(), kServerUsage);
    return 2;
  }
  if (options->help) {
    std::printf("%s\n", kServerUsage);
    return 0;
  }
  std::error_code ec;
  std::filesystem::create_directories(options->config_dir, ec);
  const std::filesystem::path sys_ini = options->config_dir / "sys.ini";
  const int port = ResolvePort(*options, sys_ini);
  const std::string audio_output = ResolveAudioOutput(*options, sys_ini);
  const ServiceSettings services = ServiceSettings::Load(sys_ini);

  if (options->headless) {
    // Blocked before any thread starts, so that every thread inherits the mask and only
    // the quit watcher receives them.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
  }

  quilla::protocol::ServerTransport transport;
  EngineHost host;
  TransportListener listener(transport, host);
  MpvAudioPlayer player(audio_output);
  AnnouncementPlayer announcement_player(audio_output);
  VoiceAnnouncer voice(services, announcement_player);
  WebRadioService radio(services.radio);
  ObserverList observers;

  EngineDependencies deps;
  deps.outbox = &listener;
  deps.listener = &listener;
  deps.player = &player;
  deps.speaker = &voice;
  deps.radio = &radio;
  deps.deferrer = &host;
  deps.work = &host;
  deps.timers = &host;
  deps.observer = &observers;
  ServerEngine engine(deps, port);
  listener.SetEngine(&engine);
  host.SetTickHandler([&engine](TimerId timer) { engine.OnTimer(timer); });
  const std::string lan_ip = quilla::protocol::LocalLanAddress();

  if (options->headless) {
    ConsoleOut out;
    ConsoleLogPrinter log_printer([&out](const std::string& line) { out.Print(line); });
    observers.Add(&log_printer);
    host.Start();
    host.PostAndWait([&] { engine.Create(sys_ini, lan_ip); });
    return RunHeadless(host, engine, *options, sys_ini, out);
  }

  QApplication app(argc, argv);
  // Qt adopts the user's locale; libmpv only starts with the "C" numeric locale.
  std::setlocale(LC_NUMERIC, "C");
  MainWindow window(host, engine, sys_ini);
  observers.Add(window.observer());
  host.Start();
  // The window shows its designed state until the engine's first notifications come; it
  // never waits for the engine (with --start, the radio list arrives later as an event).
  host.Post([&] {
    engine.Create(sys_ini, lan_ip);
    if (options->start) engine.StartServer();
  });
  window.show();
  const int code = app.exec();
  host.Shutdown();
  return code;
}
