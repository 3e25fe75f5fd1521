#pragma once
// An AudioPlayer whose streams the test steers: it records every call, and the test sets
// what IsActive, GetPosition and GetLength answer. Opens answer at once by default; with
// `hold_opens` set they wait until the test finishes them, as a slow media host would.
// Not thread-safe: with a real engine thread, steer it from that thread.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "server/audio/audio_player.h"

namespace quilla::server::testing {

class FakeAudioPlayer final : public AudioPlayer {
 public:
  struct Stream {
    std::string url;
    int state = 0;  // what IsActive answers
    std::int64_t position = 0;
    std::int64_t length = 0;
  };
  struct HeldOpen {
    std::string url;
    StreamOpened opened;
  };

  bool Init() override { return ++init_calls, true; }
  bool Free() override {
    ++free_calls;
    // An open under way is abandoned with the output.
    auto abandoned = std::move(held);
    held.clear();
    for (auto& open : abandoned) open.opened(0);
    return true;
  }
  void OpenStream(StreamSource source, StreamOpened opened) override {
    calls.push_back("create " + source.url);
    if (source.file_path.empty() && source.memory_block.empty() && source.url.empty()) {
      return opened(0);
    }
    if (hold_opens) {
      held.push_back(HeldOpen{source.url, std::move(opened)});
      return;
    }
    Open(source.url, opened);
  }
  bool CloseStream(StreamHandle h) override {
    calls.push_back("close " + std::to_string(h));
    return streams.erase(h) != 0;
  }
  bool Play(StreamHandle h, bool restart) override {
    calls.push_back("play " + std::to_string(h) + (restart ? " restart" : ""));
    if (h == 0 || streams.count(h) == 0) return false;
    streams[h].state = 1;
    return true;
  }
  bool Pause(StreamHandle h) override {
    calls.push_back("pause " + std::to_string(h));
    if (streams.count(h) == 0) return false;
    streams[h].state = 3;
    return true;
  }
  bool Stop(StreamHandle h) override {
    calls.push_back("stop " + std::to_string(h));
    if (streams.count(h) == 0) return false;
    streams[h].state = 0;
    return true;
  }
  std::int64_t GetPosition(StreamHandle h) override {
    return streams.count(h) ? streams[h].position : -1;
  }
  bool SetPosition(StreamHandle h, std::int64_t bytes) override {
    calls.push_back("seek " + std::to_string(h) + " " + std::to_string(bytes));
    if (streams.count(h) == 0) return false;
    streams[h].position = bytes;
    return true;
  }
  std::int64_t GetLength(StreamHandle h) override {
    return streams.count(h) ? streams[h].length : -1;
  }
  int IsActive(StreamHandle h) override { return streams.count(h) ? streams[h].state : 0; }
  double BytesToSeconds(StreamHandle h, std::int64_t bytes) override {
    if (streams.count(h) == 0) return -1.0;
    return static_cast<double>(bytes) / static_cast<double>(kBytesPerSecond);
  }

  // Finishes the held open number `index` (0: the oldest still held): it opens, or fails
  // for a URL in failing_urls.
  void FinishOpen(std::size_t index = 0) {
    HeldOpen open = std::move(held.at(index));
    held.erase(held.begin() + static_cast<std::ptrdiff_t>(index));
    Open(open.url, open.opened);
  }

  Stream& stream(StreamHandle h) { return streams.at(h); }
  // The streams that play now.
  std::vector<StreamHandle> Playing() const {
    std::vector<StreamHandle> playing;
    for (const auto& [handle, s] : streams) {
      if (s.state == 1) playing.push_back(handle);
    }
    return playing;
  }

  std::map<StreamHandle, Stream> streams;
  std::vector<std::string> calls;
  std::map<std::string, bool> failing_urls;
  std::int64_t default_length = 180 * kBytesPerSecond;
  StreamHandle next_handle = 1;
  int init_calls = 0;
  int free_calls = 0;
  bool hold_opens = false;
  std::vector<HeldOpen> held;

 private:
  void Open(const std::string& url, const StreamOpened& opened) {
    if (failing_urls.count(url) != 0) return opened(0);
    const StreamHandle handle = next_handle++;
    streams[handle] = Stream{url, 0, 0, default_length};
    opened(handle);
  }
};

}  // namespace quilla::server::testing
