#pragma once
// A ServerEngine wired to recording fakes, for tests that drive it call by call.

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
    engine = std::make_unique<ServerEngine>(deps, 800);
  }

  void Join(ClientHandle handle, const std::string& name, const std::string& ip = "10.0.0.2") {
    engine->OnConnected(handle);
    engine->OnData(handle, protocol::BuildUserJoin(name, ip));
  }
  void Request(ClientHandle from, const std::string& requester, const std::string& title,
               const std::string& url = "", const std::string& lyrics = "[00:01.00]la") {
    protocol::SongRequest r{requester, title, "Singer", url.empty() ? "http://song/" + title : url,
                            "http://cover/" + title, lyrics};
    engine->OnData(from, protocol::BuildRequestSong(r));
  }
  int Period(TimerId t) const { return engine->TimerPeriod(t); }

  RecordingOutbox outbox;
  FakeListener listener;
  FakeAudioPlayer player;
  FakeSpeaker speaker;
  FakeRadioService radio;
  ManualDeferrer deferrer;
  RecordingTimers timers;
  RecordingObserver observer;
  std::tm clock{};
  std::chrono::steady_clock::time_point steady{};
  std::unique_ptr<ServerEngine> engine;
};

}  // namespace quilla::server::testing
