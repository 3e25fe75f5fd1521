// Broadcast fan-out: one ServerTransport sends the same 3 small messages to each of N
// loopback clients that read everything (with and without a SendBatch around them), against a baseline in the same run that writes
// the same pre-built wire bytes to N plain Asio sockets (one gather write per socket,
// started on the same number of io threads).
// Counters: messages per second (items_per_second), and for the transport the peak RSS
// growth of the process while it served the N clients (the readers share one buffer, so
// nearly all of that growth is the server side).

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <atomic>
#include <condition_variable>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "protocol/asio_include.h"
#include "protocol/message_frame.h"
#include "protocol/messages.h"
#include "protocol/server_transport.h"

namespace {

using namespace quilla::protocol;
using asio::ip::tcp;

constexpr int kServerThreads = 2;  // the transport's default, and the baseline's

const std::vector<std::string>& Messages() {
  static const std::vector<std::string> m = {BuildSongProgress("120"),
                                             BuildSongTime("01:02 | 03:04"),
                                             BuildLyricsLine("我们一起唱这首歌")};
  return m;
}

// Wire bytes of the 3 messages for one client, as the transport sends them.
const std::vector<std::string>& WireMessages() {
  static const std::vector<std::string> w = [] {
    std::vector<std::string> out;
    const char* tags[] = {"0006", "0007", "0008"};
    for (int i = 0; i < 3; ++i) {
      out.emplace_back();
      AppendWireMessage(out.back(), tags[i], Messages()[i]);
    }
    return out;
  }();
  return w;
}

std::uint64_t BytesPerClient() {
  std::uint64_t n = 0;
  for (const auto& w : WireMessages()) n += w.size();
  return n;
}

long ProcStatusKiB(const std::string& key) {
  std::ifstream f("/proc/self/status");
  std::string line;
  while (std::getline(f, line)) {
    if (line.rfind(key + ":", 0) == 0) return std::stol(line.substr(key.size() + 1));
  }
  return 0;
}

void ResetPeakRss() { std::ofstream("/proc/self/clear_refs") << "5"; }

void RaiseFdLimit() {
  rlimit r{};
  getrlimit(RLIMIT_NOFILE, &r);
  r.rlim_cur = r.rlim_max;
  setrlimit(RLIMIT_NOFILE, &r);
}

// N client sockets on one thread, reading everything into one shared scratch buffer and
// counting the bytes.
class Readers {
 public:
  Readers() : work_(io_.get_executor()), thread_([this] { io_.run(); }) {}
  ~Readers() {
    work_.reset();
    io_.stop();
    thread_.join();
  }
  void Connect(int port, int n) {
    const tcp::endpoint ep(asio::ip::make_address_v4("127.0.0.1"), static_cast<unsigned short>(port));
    for (int i = 0; i < n; ++i) {
      auto s = std::make_unique<tcp::socket>(io_);
      s->connect(ep);
      tcp::socket* raw = s.get();
      sockets_.push_back(std::move(s));
      asio::post(io_, [this, raw] { Read(raw); });
    }
  }
  // Waits until `bytes` more bytes than at the last wait have arrived.
  void WaitForMore(std::uint64_t bytes) {
    target_ += bytes;
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [&] { return received_.load() >= target_; });
  }

 private:
  void Read(tcp::socket* s) {
    s->async_read_some(asio::buffer(scratch_), [this, s](const asio::error_code& ec, std::size_t n) {
      if (ec) return;
      if (received_.fetch_add(n) + n >= target_.load()) {
        std::lock_guard lock(mutex_);
        cv_.notify_all();
      }
      Read(s);
    });
  }

  asio::io_context io_;
  asio::executor_work_guard<asio::io_context::executor_type> work_;
  std::vector<std::unique_ptr<tcp::socket>> sockets_;
  char scratch_[65536];
  std::atomic<std::uint64_t> received_{0};
  std::atomic<std::uint64_t> target_{0};
  std::mutex mutex_;
  std::condition_variable cv_;
  std::thread thread_;
};

void BM_FanOutTransport(benchmark::State& state) {
  RaiseFdLimit();
  const int n = static_cast<int>(state.range(0));
  ResetPeakRss();
  const long rss_before = ProcStatusKiB("VmRSS");
  {
    ServerTransportOptions options;
    options.bind_address = "127.0.0.1";
    options.io_threads = kServerThreads;
    ServerTransport server(options);
    std::mutex m;
    std::condition_variable cv;
    std::vector<ClientHandle> handles;
    server.Start(0, [&](ServerEvent&& e) {
      if (e.kind != ServerEvent::Kind::kConnected) return;
      std::lock_guard lock(m);
      handles.push_back(e.handle);
      cv.notify_all();
    });
    Readers readers;
    readers.Connect(server.port(), n);
    {
      std::unique_lock lock(m);
      cv.wait(lock, [&] { return static_cast<int>(handles.size()) == n; });
    }
    const bool batched = state.range(1) != 0;
    for (auto _ : state) {
      // Broadcast: every message to every client, row by row, one Send each.
      std::optional<ServerTransport::SendBatch> batch;
      if (batched) batch.emplace(server);
      for (const auto& msg : Messages()) {
        for (ClientHandle h : handles) server.Send(h, msg);
      }
      batch.reset();
      readers.WaitForMore(BytesPerClient() * n);
    }
    state.counters["peak_rss_growth_MiB"] = (ProcStatusKiB("VmHWM") - rss_before) / 1024.0;
    server.Stop();
  }
  state.SetItemsProcessed(state.iterations() * 3 * n);
}

void BM_FanOutPlainAsio(benchmark::State& state) {
  RaiseFdLimit();
  const int n = static_cast<int>(state.range(0));
  asio::io_context io;
  tcp::acceptor acceptor(io, tcp::endpoint(asio::ip::make_address_v4("127.0.0.1"), 0));
  std::vector<std::unique_ptr<tcp::socket>> sockets;
  std::mutex m;
  std::condition_variable cv;
  std::function<void()> accept = [&] {
    acceptor.async_accept([&](const asio::error_code& ec, tcp::socket s) {
      if (ec) return;
      s.set_option(tcp::no_delay(true));
      {
        std::lock_guard lock(m);
        sockets.push_back(std::make_unique<tcp::socket>(std::move(s)));
        cv.notify_all();
      }
      accept();
    });
  };
  accept();
  auto work = asio::make_work_guard(io);
  std::vector<std::thread> threads;
  for (int i = 0; i < kServerThreads; ++i) threads.emplace_back([&] { io.run(); });
  {
    Readers readers;
    readers.Connect(acceptor.local_endpoint().port(), n);
    {
      std::unique_lock lock(m);
      cv.wait(lock, [&] { return static_cast<int>(sockets.size()) == n; });
    }
    const auto& w = WireMessages();
    const std::array<asio::const_buffer, 3> buffers = {asio::buffer(w[0]), asio::buffer(w[1]),
                                                       asio::buffer(w[2])};
    for (auto _ : state) {
      // Hand each write to the io threads, as the transport does, so both sides write
      // from the same two threads.
      for (auto& s : sockets) {
        asio::post(io, [&buffers, sock = s.get()] {
          asio::async_write(*sock, buffers, [](const asio::error_code&, std::size_t) {});
        });
      }
      readers.WaitForMore(BytesPerClient() * n);
    }
    work.reset();
    io.stop();
    for (auto& t : threads) t.join();
  }
  state.SetItemsProcessed(state.iterations() * 3 * n);
}

// Second argument: 1 = the broadcast's Sends inside one ServerTransport::SendBatch.
BENCHMARK(BM_FanOutTransport)
    ->ArgNames({"clients", "batched"})
    ->ArgsProduct({{100, 1000}, {0, 1}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FanOutPlainAsio)
    ->ArgNames({"clients"})
    ->Arg(100)
    ->Arg(1000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
