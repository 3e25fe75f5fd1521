// The client's hottest path: the server's progress tick ("歌曲进度", "歌曲时间",
// "歌词变更", ten times a second).
// - BM_ApplyTick: one ClientSession decoding and applying a tick's three blocks, against
//   BM_DecodeTick, decoding the same blocks alone (the decompression every message costs).
// - BM_TickToGuiState: a real server transport sends a tick over loopback to a ClientLink;
//   measured until the third message's state change has reached the "GUI thread" (this
//   thread, fed through a task queue as a Qt program is through its event loop). Baseline
//   BM_TickToTransport: the same tick until a bare ClientTransport's handler has the third
//   message.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "bench/client/ticks.h"
#include "client/core/client_link.h"
#include "client/core/client_session.h"
#include "protocol/client_transport.h"
#include "protocol/messages.h"
#include "support/stand_in_server.h"
#include "support/task_queue.h"

namespace quilla::bench {
namespace {

using Clock = std::chrono::steady_clock;

void BM_ApplyTick(benchmark::State& state) {
  const auto ticks = Ticks();
  client::ClientSession session;
  std::size_t i = 0;
  for (auto _ : state) {
    for (const auto& block : ticks[i]) benchmark::DoNotOptimize(session.ApplyBlock(block));
    i = (i + 1) % ticks.size();
  }
  state.counters["messages/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * 3, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ApplyTick)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_DecodeTick(benchmark::State& state) {
  const auto ticks = Ticks();
  std::size_t i = 0;
  for (auto _ : state) {
    for (const auto& block : ticks[i]) benchmark::DoNotOptimize(protocol::DecodeMessage(block));
    i = (i + 1) % ticks.size();
  }
  state.counters["messages/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * 3, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeTick)->Repetitions(5)->ReportAggregatesOnly(true);

// --- Over loopback -------------------------------------------------------------------------

constexpr int kRounds = 2000;

// Sends one tick per iteration and times it until `arrived(n)` says that the n-th tick
// (counting from 1) has got where it is measured to; reports the median and the 99th
// percentile.
template <typename Arrived>
void TimeTicks(benchmark::State& state, testing::StandInServer& server, Arrived arrived) {
  const auto ticks = Ticks();
  std::vector<double> micros;
  for (auto _ : state) {
    const auto sent = Clock::now();
    server.Broadcast(ticks[micros.size() % ticks.size()]);
    if (!arrived(micros.size() + 1)) {
      state.SkipWithError("the tick did not arrive");
      return;
    }
    const std::chrono::duration<double> took = Clock::now() - sent;
    state.SetIterationTime(took.count());
    micros.push_back(took.count() * 1e6);
  }
  std::sort(micros.begin(), micros.end());
  state.counters["median_us"] = micros[micros.size() / 2];
  state.counters["p99_us"] = micros[micros.size() * 99 / 100];
}

void BM_TickToGuiState(benchmark::State& state) {
  testing::StandInServer server;
  testing::TaskQueue gui;
  testing::ManualTimers timers;
  // Lyrics lines applied: the last of the tick's three messages.
  std::size_t lines_applied = 0;
  client::LinkHooks hooks;
  hooks.on_update = [&](const client::SessionState&, const client::SessionUpdate& u) {
    if (u.changed.Has(client::SessionField::kLyricsLine)) ++lines_applied;
  };
  client::ClientLink link({gui.Poster(), timers.PostAfter()}, std::move(hooks));
  link.Connect("127.0.0.1", std::to_string(server.port()), client::ConnectTrigger::kButton);
  if (!gui.RunUntil([&] { return link.state().connect_button_caption == "已连接"; }) ||
      !server.WaitForClients()) {
    state.SkipWithError("no connection");
    return;
  }
  TimeTicks(state, server,
            [&](std::size_t n) { return gui.RunUntil([&] { return lines_applied == n; }); });
}
BENCHMARK(BM_TickToGuiState)->Iterations(kRounds)->UseManualTime();

void BM_TickToTransport(benchmark::State& state) {
  testing::StandInServer server;
  std::mutex mutex;
  std::condition_variable cv;
  std::size_t received = 0;
  protocol::ClientTransport client;
  if (!client.Connect(server.port(), "127.0.0.1",
                      [&](protocol::ClientEvent&& e) {
                        if (e.kind != protocol::ClientEvent::Kind::kDataArrived) return;
                        std::lock_guard lock(mutex);
                        ++received;
                        cv.notify_all();
                      }) ||
      !server.WaitForClients()) {
    state.SkipWithError("no connection");
    return;
  }
  TimeTicks(state, server, [&](std::size_t n) {
    std::unique_lock lock(mutex);
    return cv.wait_for(lock, std::chrono::seconds(5), [&] { return received >= 3 * n; });
  });
}
BENCHMARK(BM_TickToTransport)->Iterations(kRounds)->UseManualTime();

}  // namespace
}  // namespace quilla::bench

BENCHMARK_MAIN();
