#pragma once
// A ServerEngine wired to recording fakes, for tests that drive it call by call.
//
// `engine->Call()` makes one engine call and then, once the statement is done, does what
// the host's loop does before its next event: the workers answer and the events that come
// back (a stream that opened, a radio lookup) run, until nothing is left (Settle). Set
// `hold_work` or `player.hold_opens` to keep the web services or the media host waiting
// until the test lets them answer.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "protocol/messages.h"
#include "server/app/server_engine.h"
#include "server/fakes/fake_audio_player.h"
#include "server/fakes/fake_services.h"

namespace quilla::server::testing {

class EngineFixture : public ::testing::Test {
 protected:
  EngineFixture() {
    EngineDependencies deps;
    deps.outbox = &outbox;
    deps.listener = &listener;
    deps.player = &player;
    deps.speaker = &speaker;
    deps.radio = &radio;
    deps.deferrer = &deferrer;
    deps.work = &work;
    deps.timers = &timers;
    deps.observer = &observer;
    deps.local_time = [this] { return clock; };
    deps.steady_now = [this] { return steady; };
    clock.tm_year = 2024 - 1900;
    clock.tm_mon = 2;
    clock.tm_mday = 5;
    clock.tm_hour = 9;
    clock.tm_min = 7;
    clock.tm_sec = 3;
    engine_ = std::make_unique<ServerEngine>(deps, 800);
  }

  // One engine call; the statement ends with Settle().
  class SettledCall {
   public:
    explicit SettledCall(EngineFixture& fixture) : fixture_(fixture) {}
    ~SettledCall() { fixture_.Settle(); }
    SettledCall(const SettledCall&) = delete;
    SettledCall& operator=(const SettledCall&) = delete;
    ServerEngine* operator->() const { return fixture_.engine_.get(); }

   private:
    EngineFixture& fixture_;
  };
  class SettlingEngine {
   public:
    explicit SettlingEngine(EngineFixture& fixture) : fixture_(fixture) {}
    SettledCall operator->() const { return SettledCall(fixture_); }

   private:
    EngineFixture& fixture_;
  };

  // Lets the workers answer (unless held) and runs the events posted back, until nothing
  // is left; delayed continuations (the row removal) stay for deferrer.RunAll().
  void Settle() {
    while (true) {
      std::size_t ran = deferrer.RunPosted();
      if (!hold_work) ran += work.RunAll();
      if (ran == 0) return;
    }
  }

  void Join(ClientHandle handle, const std::string& name, const std::string& ip = "10.0.0.2") {
    engine->OnConnected(handle);
    engine->OnData(handle, protocol::BuildUserJoin(name, ip));
  }
  void Request(ClientHandle from, const std::string& requester, const std::string& title,
               const std::string& url = "", const std::string& lyrics = "[00:01.00]la") {
    protocol::SongRequest r{requester,
                            title,
                            "Singer",
                            url.empty() ? "http://song/" + title : url,
                            "http://cover/" + title,
                            lyrics};
    engine->OnData(from, protocol::BuildRequestSong(r));
  }
  int Period(TimerId t) const { return engine_->TimerPeriod(t); }

  RecordingOutbox outbox;
  FakeListener listener;
  FakeAudioPlayer player;
  FakeSpeaker speaker;
  FakeRadioService radio;
  ManualDeferrer deferrer;
  ManualWork work;
  RecordingTimers timers;
  RecordingObserver observer;
  std::tm clock{};
  std::chrono::steady_clock::time_point steady{};
  bool hold_work = false;
  std::unique_ptr<ServerEngine> engine_;
  SettlingEngine engine{*this};
};

}  // namespace quilla::server::testing
