// The client under the server's progress tick (ten a second: "歌曲进度", "歌曲时间",
// "歌词变更"), as the listener runs it.
// - BM_ClientProcessCpu: the real quilla_client program connected to a stand-in server
//   (--server on loopback) that sends ten ticks a second for a minute; the program's CPU
//   time (all its threads, as the scheduler counts it) in per cent of one core. Baseline in the
//   same run: the same program connected and idle for a quarter of that time.
// - BM_TickToRepaintedBar: the main window in this process; each tick is sent at the
//   pace of the server and timed from its send until the progress bar has been repainted
//   at its new width (median, p99). Baseline BM_TickToTransport: the same ticks until a
//   bare ClientTransport's handler has the tick's third message.
//
// Run it under Xvfb to measure the real X11 drawing path (the program then draws through
// xcb), or offscreen. QUILLA_BENCH_SECONDS shortens the minute for a quick look.

#include <benchmark/benchmark.h>
#include <signal.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QStyleFactory>
#include <QTimer>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "bench/client/ticks.h"
#include "client/app/main_window.h"
#include "protocol/client_transport.h"
#include "support/qt_test_support.h"
#include "support/server_process.h"
#include "support/stand_in_server.h"
#include "support/temp_dir.h"

namespace quilla::bench {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::chrono::seconds RunLength() {
  const int seconds = qEnvironmentVariableIntValue("QUILLA_BENCH_SECONDS");
  return std::chrono::seconds(seconds > 0 ? seconds : 60);
}

constexpr auto kTickPeriod = 100ms;

// CPU time that process `pid` has used, all its threads, in seconds: the scheduler's own
// count in nanoseconds (/proc/PID/task/TID/schedstat, first field), finer than the clock
// ticks of /proc/PID/stat.
double ProcessCpuSeconds(int pid) {
  double total_ns = 0;
  std::error_code ec;
  const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
  for (const auto& task : std::filesystem::directory_iterator(tasks, ec)) {
    std::ifstream in(task.path() / "schedstat");
    double ns = 0;
    if (in >> ns) total_ns += ns;
  }
  return total_ns / 1e9;
}

// Sends ticks at the server's pace for `length`; `each(n)` after tick n went out.
template <typename Each>
void SendTicksFor(testing::StandInServer& server, std::chrono::seconds length, Each each) {
  const auto ticks = Ticks();
  const auto start = Clock::now();
  for (int n = 0; Clock::now() - start < length; ++n) {
    const auto due = start + kTickPeriod * n;
    while (Clock::now() < due) each(-1);  // between ticks: the caller's waiting
    server.Broadcast(ticks[static_cast<std::size_t>(n) % ticks.size()]);
    each(n);
  }
}

// The pid of the program's process, started by ServerProcess.
struct Program {
  testing::TempDir dir;
  testing::ServerProcess process;
  int pid = -1;
};

bool StartProgram(Program& program, int port) {
  if (!program.process.Start(QUILLA_CLIENT_BINARY,
                             {"--config-dir", program.dir.path().string(), "--server",
                              "127.0.0.1:" + std::to_string(port)})) {
    return false;
  }
  program.pid = program.process.Pid();
  return true;
}

void BM_ClientProcessCpu(benchmark::State& state) {
  for (auto _ : state) {
    testing::StandInServer server;
    Program program;
    if (!StartProgram(program, server.port()) ||
        !server.WaitForMessages(protocol::Command::kUserJoin, 1, 20s)) {
      state.SkipWithError("the client did not join");
      return;
    }
    server.Broadcast({protocol::BuildSongPlaying("Bob", "Song", "Singer", "")});
    std::this_thread::sleep_for(2s);  // let start-up settle before measuring

    const auto idle_length = std::max<std::chrono::seconds>(RunLength() / 4, 5s);
    const double idle_start = ProcessCpuSeconds(program.pid);
    std::this_thread::sleep_for(idle_length);
    const double idle = ProcessCpuSeconds(program.pid) - idle_start;

    const double busy_start = ProcessCpuSeconds(program.pid);
    const auto started = Clock::now();
    SendTicksFor(server, RunLength(), [](int n) {
      if (n < 0) std::this_thread::sleep_for(1ms);
    });
    const std::chrono::duration<double> took = Clock::now() - started;
    const double busy = ProcessCpuSeconds(program.pid) - busy_start;
    state.SetIterationTime(took.count());
    state.counters["cpu_percent_ticking"] = 100.0 * busy / took.count();
    state.counters["cpu_percent_idle"] = 100.0 * idle / idle_length.count();
    program.process.SignalAndWait(SIGTERM, 10s);
  }
}
BENCHMARK(BM_ClientProcessCpu)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void Report(benchmark::State& state, std::vector<double> micros) {
  std::sort(micros.begin(), micros.end());
  state.counters["median_us"] = micros[micros.size() / 2];
  state.counters["p99_us"] = micros[micros.size() * 99 / 100];
  state.counters["ticks"] = static_cast<double>(micros.size());
}

// A song of 40 s: the bar grows by one pixel every tick, so every tick repaints it.
constexpr int kShortSongSeconds = 40;

// Sends a tick every 100 ms from the GUI thread's event loop, as a timer of the program
// would see them arrive, and times each from its send to the paint of the progress bar at
// the tick's width.
class RepaintTimer : public QObject {
 public:
  RepaintTimer(testing::StandInServer& server, QWidget* bar) : server_(server), bar_(bar) {
    bar->installEventFilter(this);
    ticker_.setTimerType(Qt::PreciseTimer);
    ticker_.setInterval(kTickPeriod);
    QObject::connect(&ticker_, &QTimer::timeout, this, [this] { SendTick(); });
  }
  // Runs for `length`; the latencies in microseconds and the ticks never painted.
  void Run(std::chrono::seconds length) {
    QEventLoop loop;
    QTimer::singleShot(length, &loop, &QEventLoop::quit);
    ticker_.start();
    loop.exec();
    ticker_.stop();
  }
  std::vector<double> micros;
  int unpainted = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && waiting_ && bar_->width() == expected_width_) {
      waiting_ = false;
      micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - sent_).count());
    }
    return false;
  }

 private:
  void SendTick() {
    if (waiting_) ++unpainted;
    const int n = ticks_sent_++ % (kShortSongSeconds * 10);
    expected_width_ = static_cast<int>(TickProgress(n, kShortSongSeconds));
    waiting_ = expected_width_ != bar_->width();
    sent_ = Clock::now();
    server_.Broadcast(TickBlocks(n, kShortSongSeconds));
  }

  testing::StandInServer& server_;
  QWidget* bar_;
  QTimer ticker_;
  int ticks_sent_ = 0;
  int expected_width_ = -1;
  bool waiting_ = false;
  Clock::time_point sent_;
};

void BM_TickToRepaintedBar(benchmark::State& state) {
  for (auto _ : state) {
    testing::StandInServer server;
    testing::TempDir dir;
    client::MainWindow window(client::ClientSettings(dir.path()));
    window.Start();
    window.show();
    auto& c = window.controls();
    c.ip_box->setText(QStringLiteral("127.0.0.1"));
    c.port_box->setText(QString::number(server.port()));
    c.connect_button->click();
    if (!testing::ProcessEventsUntil([&] { return c.connect_button->text() == "已连接"; }) ||
        !testing::ProcessEventsUntil([&] { return !window.panel().sliding(); })) {
      state.SkipWithError("no connection");
      return;
    }
    RepaintTimer timer(server, c.progress_bar);
    const auto started = Clock::now();
    timer.Run(RunLength());
    const std::chrono::duration<double> took = Clock::now() - started;
    state.SetIterationTime(took.count());
    if (timer.micros.empty()) {
      state.SkipWithError("no tick was painted");
      return;
    }
    state.counters["unpainted"] = timer.unpainted;
    Report(state, std::move(timer.micros));
  }
}
BENCHMARK(BM_TickToRepaintedBar)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_TickToTransport(benchmark::State& state) {
  for (auto _ : state) {
    testing::StandInServer server;
    std::mutex mutex;
    std::condition_variable cv;
    std::size_t received = 0;
    Clock::time_point third_at;
    protocol::ClientTransport client;
    if (!client.Connect(server.port(), "127.0.0.1",
                        [&](protocol::ClientEvent&& e) {
                          if (e.kind != protocol::ClientEvent::Kind::kDataArrived) return;
                          std::lock_guard lock(mutex);
                          if (++received % 3 == 0) third_at = Clock::now();
                          cv.notify_all();
                        }) ||
        !server.WaitForClients()) {
      state.SkipWithError("no connection");
      return;
    }
    std::vector<double> micros;
    const auto started = Clock::now();
    SendTicksFor(server, RunLength(), [&](int n) {
      if (n < 0) {
        std::this_thread::sleep_for(1ms);
        return;
      }
      const auto sent = Clock::now();
      std::unique_lock lock(mutex);
      if (cv.wait_for(lock, 2s,
                      [&] { return received >= 3 * (static_cast<std::size_t>(n) + 1); })) {
        micros.push_back(std::chrono::duration<double, std::micro>(third_at - sent).count());
      }
    });
    const std::chrono::duration<double> took = Clock::now() - started;
    state.SetIterationTime(took.count());
    Report(state, std::move(micros));
  }
}
BENCHMARK(BM_TickToTransport)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
}  // namespace quilla::bench

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
