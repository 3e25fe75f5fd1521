#pragma once
// AudioPlayer over libmpv: one mpv instance plays the music; only the newest stream is live.
// An open runs on the instance's own threads: the owner thread issues it and carries on,
// and an opener thread reports its outcome.

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
  // real time instead. open_timeout bounds every open.
  // Nothing is opened until Init. Only http, https and ftp URLs are opened; for a URL with a
  // start offset the length may be estimated from the whole body.
  explicit MpvAudioPlayer(std::string audio_output = "",
                          std::chrono::milliseconds open_timeout = std::chrono::seconds(15));
  ~MpvAudioPlayer() override;
  MpvAudioPlayer(const MpvAudioPlayer&) = delete;
  MpvAudioPlayer& operator=(const MpvAudioPlayer&) = delete;

  bool Init() override;
  bool Free() override;
  void OpenStream(StreamSource source, StreamOpened opened) override;
  bool CloseStream(StreamHandle handle) override;
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
  // The engine when `handle` is its live stream (a stream whose open has finished well
  // becomes live here, on the owner thread), else null.
  Engine* Live(StreamHandle handle);

  std::string audio_output_;
  std::chrono::milliseconds open_timeout_;
  std::unique_ptr<Engine> engine_;  // null while not initialised
  StreamHandle last_handle_ = 0;    // handles are never reused, not even across Free/Init
};

}  // namespace quilla::server
