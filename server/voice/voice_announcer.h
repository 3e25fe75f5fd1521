#pragma once
// Spoken announcements: the speech service turns a text into MP3 audio, which plays on
// the announcement path alongside the music.

#include <cstddef>
#include <memory>
#include <string>

#include "server/app/speaker.h"
#include "server/voice/service_settings.h"

namespace quilla::server {

class AnnouncementPlayer;

class VoiceAnnouncer final : public Speaker {
 public:
  // Starts the worker thread that builds the announcements. `player` must outlive this
  // object. Each announcement asks services.speech_token for a fresh token, then
  // services.speech_audio for the audio, with the standard request defaults (15 s per
  // phase).
  VoiceAnnouncer(ServiceSettings services, AnnouncementPlayer& player);
  // Drops the announcements not yet started, aborts the web request in flight (within
  // about a second) and joins the worker. Nothing is played after it returns.
  ~VoiceAnnouncer() override;
  VoiceAnnouncer(const VoiceAnnouncer&) = delete;
  VoiceAnnouncer& operator=(const VoiceAnnouncer&) = delete;

  // Any thread; returns at once. The announcements are built one after another in call
  // order on the worker, and each one that yields audio is handed to the player, which
  // cuts off the one before. Failures (service unreachable, no token, an answer that is
  // not "audio/mp3", a file that cannot be written) are silence. An empty text is still
  // requested. When callers outpace the service, at most kMaxPending announcements wait
  // and the oldest waiting one is dropped for a newer one.
  void Speak(std::string text, int voice) override;

  // Blocks until no announcement is waiting or being built (for tests and shutdown
  // sequencing). Any thread but the worker.
  void WaitIdle();

  static constexpr std::size_t kMaxPending = 16;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quilla::server
