#pragma once
// AudioPlayer over libmpv: one mpv instance plays the music; only the newest stream is live.

#include <chrono>
#include <memory>
#include <string>

#include "server/audio/audio_player.h"

namespace quilla::server {

class MpvAudioPlayer final : public AudioPlayer {
 public:
  // audio_output: "" = the system's default output, "null" = no sound device (streams still
  // play in real time, so positions advance as with speakers), any other value = that mpv
  // audio output ("pulse", "alsa", ...). An output that cannot be opened plays silently in
  // real time instead. open_timeout bounds CreateStream and each SetPosition.
  // Nothing is opened until Init. Only http, https and ftp URLs are opened; for a URL with a
  // start offset the length may be estimated from the whole body.
  explicit MpvAudioPlayer(std::string audio_output = "",
                          std::chrono::milliseconds open_timeout = std::chrono::seconds(15));
  ~MpvAudioPlayer() override;
  MpvAudioPlayer(const MpvAudioPlayer&) = delete;
  MpvAudioPlayer& operator=(const MpvAudioPlayer&) = delete;

  bool Init() override;
  bool Free() override;
  StreamHandle CreateStream(const std::string& file_path, std::string_view memory_block,
                            const std::string& url, std::int64_t start_offset = 0) override;
  bool Play(StreamHandle handle, bool restart = true) override;
  bool Pause(StreamHandle handle) override;
  bool Stop(StreamHandle handle) override;
  std::int64_t GetPosition(StreamHandle handle) override;
  bool SetPosition(StreamHandle handle, std::int64_t bytes) override;
  std::int64_t GetLength(StreamHandle handle) override;
  int IsActive(StreamHandle handle) override;
  double BytesToSeconds(StreamHandle handle, std::int64_t bytes) override;

 private:
  class Engine;
  std::string audio_output_;
  std::chrono::milliseconds open_timeout_;
  std::unique_ptr<Engine> engine_;  // null while not initialised
  StreamHandle last_handle_ = 0;    // handles are never reused, not even across Free/Init
};

}  // namespace quilla::server
