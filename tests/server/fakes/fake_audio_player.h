#pragma once
// An AudioPlayer whose streams the test steers: it records every call, and the test sets
// what IsActive, GetPosition and GetLength answer.

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

  bool Init() override { return ++init_calls, true; }
  bool Free() override { return ++free_calls, true; }
  StreamHandle CreateStream(const std::string& file_path, std::string_view memory,
                            const std::string& url, std::int64_t) override {
    calls.push_back("create " + url);
    if (file_path.empty() && memory.empty() && url.empty()) return 0;
    if (failing_urls.count(url) != 0) return 0;
    const StreamHandle handle = next_handle++;
    streams[handle] = Stream{url, 0, 0, default_length};
    return handle;
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

  Stream& stream(StreamHandle h) { return streams.at(h); }

  std::map<StreamHandle, Stream> streams;
  std::vector<std::string> calls;
  std::map<std::string, bool> failing_urls;
  std::int64_t default_length = 180 * kBytesPerSecond;
  StreamHandle next_handle = 1;
  int init_calls = 0;
  int free_calls = 0;
};

}  // namespace quilla::server::testing
