// The engine's longest stall over a minute of play while the radio service and the speech
// service take eight seconds to answer: the real engine on its host, the real transport,
// libmpv (null output), the real voice announcer and radio client, against loopback
// stand-ins. Baseline: the same minute with services that answer at once.
//
// A stall shows as a late progress tick. The ticks are timed where the engine handles
// them; a gap only counts while the progress timer runs steadily at 100 ms (no period
// change in between), so the pauses the scheduler makes by design when it changes mode are
// not taken for stalls. Those show in longest_gap_any_ms, measured at a listening peer.
//
// ./build/bench/server_stall_bench            (two minutes; QUILLA_BENCH_SECONDS=N for N s)

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "protocol/messages.h"
#include "protocol/server_transport.h"
#include "server/app/engine_host.h"
#include "server/app/server_engine.h"
#include "server/app/transport_listener.h"
#include "server/audio/announcement_player.h"
#include "server/audio/mpv_audio_player.h"
#include "server/radio/web_radio_service.h"
#include "server/voice/service_settings.h"
#include "server/voice/voice_announcer.h"
#include "support/protocol_peer.h"
#include "support/stand_in_services.h"
#include "support/temp_dir.h"

namespace quilla::bench {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using server::TimerId;
using testing::StandInServices;

double Millis(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// What the engine thread did with its progress timers: each tick handled, each period set.
class TimerLog final : public server::TimerSink {
 public:
  explicit TimerLog(server::TimerSink& host) : host_(host) {}
  void OnTimerPeriodChanged(TimerId timer, int period_ms) override {
    if (IsProgress(timer)) {
      std::lock_guard lock(mutex_);
      events_.push_back({Clock::now(), false, period_ms});
    }
    host_.OnTimerPeriodChanged(timer, period_ms);
  }
  // Called by the tick handler before the engine handles `timer`, with its current period.
  void OnTick(TimerId timer, int period_ms) {
    if (!IsProgress(timer) || period_ms == 0) return;
    std::lock_guard lock(mutex_);
    events_.push_back({Clock::now(), true, period_ms});
  }
  // The gaps between two ticks with the timer at 100 ms and no period set between, sorted.
  std::vector<Clock::duration> SteadyGaps() const {
    std::lock_guard lock(mutex_);
    std::vector<Clock::duration> gaps;
    const Event* previous_tick = nullptr;
    for (const Event& e : events_) {
      if (!e.tick) {
        previous_tick = nullptr;  // a new period re-arms the timer: a pause by design
        continue;
      }
      if (previous_tick && previous_tick->period_ms == 100 && e.period_ms == 100) {
        gaps.push_back(e.at - previous_tick->at);
      }
      previous_tick = &e;
    }
    std::sort(gaps.begin(), gaps.end());
    return gaps;
  }
  std::size_t Ticks() const {
    std::lock_guard lock(mutex_);
    return std::count_if(events_.begin(), events_.end(), [](const Event& e) { return e.tick; });
  }

 private:
  struct Event {
    Clock::time_point at;
    bool tick;  // else a period change
    int period_ms;
  };
  static bool IsProgress(TimerId t) {
    return t == TimerId::kProgress || t == TimerId::kRadioProgress;
  }

  server::TimerSink& host_;
  mutable std::mutex mutex_;
  std::vector<Event> events_;
};

int ScenarioSeconds(int registered) {
  const char* text = std::getenv("QUILLA_BENCH_SECONDS");
  return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : registered;
}

// range(0): seconds of play; range(1): how long the radio and the speech service take.
void BM_EngineStall(benchmark::State& state) {
  const int seconds = ScenarioSeconds(static_cast<int>(state.range(0)));
  const auto service_delay = std::chrono::milliseconds(state.range(1));
  StandInServices web(testing::ReadBytes(QUILLA_ANNOUNCEMENT_MP3));
  web.SetDelay(StandInServices::Kind::kRadio, service_delay);
  web.SetDelay(StandInServices::Kind::kSpeech, service_delay);
  server::ServiceSettings services;
  services.radio = services.speech_token = services.speech_audio = web.Url("");

  protocol::ServerTransport transport;
  server::EngineHost host;
  server::TransportListener listener(transport, host);
  server::MpvAudioPlayer player("null");
  server::AnnouncementPlayer announcements("null");
  server::VoiceAnnouncer voice(services, announcements);
  server::WebRadioService radio(services.radio);
  TimerLog timers(host);
  server::EngineDependencies deps;
  deps.outbox = &listener;
  deps.listener = &listener;
  deps.player = &player;
  deps.speaker = &voice;
  deps.radio = &radio;
  deps.deferrer = &host;
  deps.work = &host;
  deps.timers = &timers;
  server::ServerEngine engine(deps, 0);
  listener.SetEngine(&engine);
  host.SetTickHandler([&](TimerId timer) {
    timers.OnTick(timer, engine.TimerPeriod(timer));
    engine.OnTimer(timer);
  });
  host.Start();
  host.PostAndWait([&] {
    engine.Create("/nonexistent/sys.ini", "127.0.0.1");
    engine.StartServer();
    engine.SetRandomPlay(true);
    engine.SetVoiceEnabled(true);
  });
  if (!engine.controls().running) return state.SkipWithError("the server did not start");

  testing::ProtocolPeer listener_peer;
  if (!listener_peer.Connect(transport.port()) || !listener_peer.Join("听众")) {
    return state.SkipWithError("no peer");
  }
  Clock::duration slowest_join{};
  for (auto _ : state) {
    // Half-second steps. Requests for the first sixth (the queue plays for a while, each
    // song announced), then the radio alone, its every lookup slow; a voice message every
    // 3 s; the channel changed at 1/6 and at 5/6 of the time (a slow list each); a listener
    // who joins every 5 s.
    const int steps = 2 * seconds;
    for (int step = 0; step < steps; ++step) {
      if (step % 4 == 0 && step < steps / 6) {
        protocol::SongRequest r{"听众",
                                "歌" + std::to_string(step),
                                "歌手",
                                web.Url("/song/s" + std::to_string(step) + ".wav"),
                                web.Url("/pic/s.jpg"),
                                "[00:01.00]第一句"};
        listener_peer.Send(protocol::BuildRequestSong(r));
      }
      if (step % 6 == 3) listener_peer.Send(protocol::BuildVoiceMessage("听众想说，好听"));
      if (step == steps / 6 || step == steps * 5 / 6) {
        host.Post([&engine] { engine.SelectChannel(1); });  // "热歌" again: a new list
      }
      if (step % 10 == 9) {
        testing::ProtocolPeer probe;
        const auto asked = Clock::now();
        if (probe.Connect(transport.port()) && probe.Join("来客")) {
          const auto state_done = probe.WaitFor("切歌按钮显示", 10s);
          if (!state_done.command.empty())
            slowest_join = std::max(slowest_join, state_done.at - asked);
        }
      }
      std::this_thread::sleep_for(500ms);
    }
  }

  std::vector<Clock::time_point> arrivals;
  for (const auto& m : listener_peer.MessagesOf("歌曲进度")) arrivals.push_back(m.at);
  Clock::duration longest_any{};
  for (std::size_t i = 1; i < arrivals.size(); ++i) {
    longest_any = std::max(longest_any, arrivals[i] - arrivals[i - 1]);
  }
  const std::vector<Clock::duration> gaps = timers.SteadyGaps();
  if (gaps.empty()) return state.SkipWithError("no steady ticks");
  state.counters["longest_stall_ms"] = Millis(gaps.back());
  state.counters["p99_gap_ms"] = Millis(gaps[gaps.size() * 99 / 100]);
  state.counters["gaps_over_150ms"] = static_cast<double>(
      gaps.end() - std::upper_bound(gaps.begin(), gaps.end(), Clock::duration(150ms)));
  state.counters["longest_gap_any_ms"] = Millis(longest_any);
  state.counters["ticks"] = static_cast<double>(timers.Ticks());
  state.counters["songs"] = static_cast<double>(listener_peer.MessagesOf("歌曲播放").size());
  state.counters["radio_songs"] = static_cast<double>(listener_peer.MessagesOf("系统随机").size());
  state.counters["slowest_join_ms"] = Millis(slowest_join);
  host.PostAndWait([&] { engine.Shutdown(); });
  host.Shutdown();
}
BENCHMARK(BM_EngineStall)
    ->Args({60, 8000})
    ->Args({60, 0})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
}  // namespace quilla::bench

BENCHMARK_MAIN();
