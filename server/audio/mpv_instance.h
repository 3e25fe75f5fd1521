#pragma once
// One libmpv player instance with an event thread, shared by the music engine and the
// announcement player. Internal to quilla_server_audio: the public headers never include it.

#include <mpv/client.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quilla::server::audio_internal {

class MpvInstance {
 public:
  // Called on the event thread for every event (never for MPV_EVENT_NONE). It may call the
  // other members of this class but must not block for long.
  using EventHandler = std::function<void(const mpv_event&)>;

  struct Options {
    std::string audio_output;  // "" default (falls back to no device), "null", or a name
    bool keep_open = false;    // hold the file paused at its end instead of unloading it
    double network_timeout_seconds = 15;
  };

  // Creates and initialises the instance and starts its event thread; null when libmpv
  // refuses (for example an unknown audio output). `handler` must stay callable until the
  // instance is destroyed.
  static std::unique_ptr<MpvInstance> Create(const Options& options, EventHandler handler);
  // Stops the event thread, then shuts the player down (blocks until it has).
  ~MpvInstance();
  MpvInstance(const MpvInstance&) = delete;
  MpvInstance& operator=(const MpvInstance&) = delete;

  // Thread-safe; each blocks only for the round trip to the player core.
  // Runs a command; returns the libmpv error code (>= 0 success).
  int Command(const std::vector<std::string>& args);
  // "loadfile <target> replace [options]"; returns the new playlist entry id, or nullopt.
  std::optional<std::int64_t> LoadFile(const std::string& target, const std::string& options = {});
  std::optional<double> GetDouble(const char* name);
  std::optional<bool> GetFlag(const char* name);
  bool SetFlag(const char* name, bool value);
  // True when the loaded file has a selected audio track.
  bool HasAudioTrack();

 private:
  MpvInstance(mpv_handle* handle, EventHandler handler);
  void EventLoop();

  mpv_handle* handle_;
  EventHandler handler_;
  std::atomic<bool> stopping_{false};
  std::thread event_thread_;
};

}  // namespace quilla::server::audio_internal
