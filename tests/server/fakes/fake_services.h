#pragma once
// Stand-ins for the engine's seams that record what the engine did with them.

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include "encoding/gbk.h"
#include "protocol/messages.h"
#include "protocol/packet_codec.h"
#include "server/app/background_work.h"
#include "server/app/deferrer.h"
#include "server/app/engine_observer.h"
#include "server/app/listener.h"
#include "server/app/outbox.h"
#include "server/app/speaker.h"
#include "server/radio/radio_service.h"

namespace quilla::server::testing {

// One message as a client would see it: command word and payload, both UTF-8.
struct SentMessage {
  ClientHandle handle;
  std::string command;
  std::string payload;
  bool operator==(const SentMessage&) const = default;
};

// What the engine did with several fakes, in one order: "send <command>" (once per
// message, whoever it went to) and "speak <text>".
using Journal = std::vector<std::string>;

class RecordingOutbox final : public Outbox {
 public:
  bool Send(ClientHandle handle, std::string block) override {
    const protocol::Packet packet = protocol::ParsePacket(block);
    const protocol::Message message = protocol::DecodeMessage(block);
    sent.push_back(
        SentMessage{handle, encoding::GbkToUtf8(packet.command), protocol::PayloadUtf8(message)});
    if (journal != nullptr) journal->push_back("send " + sent.back().command);
    return closed.count(handle) == 0;
  }
  // The commands sent to `handle`, in order.
  std::vector<std::string> CommandsTo(ClientHandle handle) const {
    std::vector<std::string> out;
    for (const auto& m : sent) {
      if (m.handle == handle) out.push_back(m.command);
    }
    return out;
  }
  std::vector<std::string> Commands() const {
    std::vector<std::string> out;
    for (const auto& m : sent) out.push_back(m.command);
    return out;
  }
  std::vector<SentMessage> sent;
  std::map<ClientHandle, bool> closed;
  Journal* journal = nullptr;
};

class FakeListener final : public Listener {
 public:
  bool Start(int port, std::string* error_text) override {
    ++starts;
    last_port = port;
    if (!fail_reason.empty()) {
      *error_text = fail_reason;
      return false;
    }
    return true;
  }
  void Stop() override { ++stops; }
  int starts = 0;
  int stops = 0;
  int last_port = -1;
  std::string fail_reason;
};

class FakeSpeaker final : public Speaker {
 public:
  void Speak(std::string text, int voice) override {
    if (journal != nullptr) journal->push_back("speak " + text);
    spoken.emplace_back(std::move(text), voice);
  }
  std::vector<std::pair<std::string, int>> spoken;
  Journal* journal = nullptr;
};

// Answers from prepared tables. Called on the engine's workers: the calls lock, but the
// tables are set up before the engine runs.
class FakeRadioService final : public RadioService {
 public:
  std::vector<std::string> FetchRadioList(const std::string& channel, std::stop_token) override {
    std::lock_guard lock(mutex_);
    fetched_channels.push_back(channel);
    auto it = lists.find(channel);
    if (it == lists.end()) return {};
    // Each fetch may serve the next prepared list of the channel.
    if (it->second.size() > 1) {
      auto list = it->second.front();
      it->second.erase(it->second.begin());
      return list;
    }
    return it->second.empty() ? std::vector<std::string>{} : it->second.front();
  }
  RadioSong LookUpRadioSong(const std::string& id, std::stop_token) override {
    std::lock_guard lock(mutex_);
    looked_up.push_back(id);
    auto it = songs.find(id);
    return it == songs.end() ? RadioSong{} : it->second;
  }
  std::string LookUpRadioPicture(const std::string& id, std::stop_token) override {
    std::lock_guard lock(mutex_);
    auto it = pictures.find(id);
    return it == pictures.end() ? std::string() : it->second;
  }
  std::string DownloadLyrics(const std::string& url, std::stop_token) override {
    std::lock_guard lock(mutex_);
    auto it = lyrics.find(url);
    return it == lyrics.end() ? std::string() : it->second;
  }
  // channel -> successive lists served by successive fetches (the last one repeats)
  std::map<std::string, std::vector<std::vector<std::string>>> lists;
  std::map<std::string, RadioSong> songs;
  std::map<std::string, std::string> pictures;
  std::map<std::string, std::string> lyrics;
  std::vector<std::string> fetched_channels;
  std::vector<std::string> looked_up;

 private:
  std::mutex mutex_;
};

// The engine's workers, by hand: each job waits until the test runs it, so the test decides
// when a web service answers.
class ManualWork final : public BackgroundWork {
 public:
  void Run(std::function<void(std::stop_token)> job) override { jobs.push_back(std::move(job)); }
  // Runs the jobs waiting now (not those they hand in); returns how many ran.
  std::size_t RunAll() {
    auto now = std::move(jobs);
    jobs.clear();
    for (auto& job : now) job(std::stop_token());
    return now.size();
  }
  std::vector<std::function<void(std::stop_token)>> jobs;
};

// Keeps posted events and delayed continuations until the test runs them.
class ManualDeferrer final : public Deferrer {
 public:
  void Post(std::function<void()> event) override { posted.push_back(std::move(event)); }
  void RunAfter(std::chrono::milliseconds delay, std::function<void()> continuation) override {
    pending.emplace_back(delay, std::move(continuation));
  }
  // Runs the delayed continuations waiting now.
  void RunAll() {
    auto now = std::move(pending);
    pending.clear();
    for (auto& [delay, continuation] : now) continuation();
  }
  // Runs the posted events in order, also those posted meanwhile; returns how many ran.
  std::size_t RunPosted() {
    std::size_t ran = 0;
    while (!posted.empty()) {
      auto event = std::move(posted.front());
      posted.erase(posted.begin());
      event();
      ++ran;
    }
    return ran;
  }
  std::vector<std::function<void()>> posted;
  std::vector<std::pair<std::chrono::milliseconds, std::function<void()>>> pending;
};

class RecordingTimers final : public TimerSink {
 public:
  void OnTimerPeriodChanged(TimerId timer, int period_ms) override {
    changes.emplace_back(timer, period_ms);
  }
  std::vector<std::pair<TimerId, int>> changes;
};

class RecordingObserver final : public EngineObserver {
 public:
  void OnLogAppended(const std::string& text) override { log.push_back(text); }
  void OnUsersChanged(const std::vector<OnlineUser>& u) override { users = u; }
  void OnQueueChanged(const std::vector<QueuedSong>& q) override { queue = q; }
  void OnNowPlayingChanged(const NowPlaying& n) override { now_playing = n; }
  void OnProgressChanged(const ProgressDisplay& p) override { progress = p; }
  void OnControlsChanged(const ControlState& c) override { controls = c; }
  std::string JoinedLog() const {
    std::string all;
    for (const auto& l : log) all += l;
    return all;
  }
  std::vector<std::string> log;
  std::vector<OnlineUser> users;
  std::vector<QueuedSong> queue;
  NowPlaying now_playing;
  ProgressDisplay progress;
  ControlState controls;
};

}  // namespace quilla::server::testing
