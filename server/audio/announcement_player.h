#pragma once
// The second audio path: short spoken announcements that play over the music, on an engine
// instance of their own.

#include <filesystem>
#include <memory>
#include <string>

namespace quilla::server {

// Thread-safe: every member may be called from any thread.
class AnnouncementPlayer {
 public:
  // audio_output as for MpvAudioPlayer ("" default, "null" no device, else that output).
  // Starts its engine at once; if the engine cannot start, every PlayFile just deletes its
  // file (silence).
  explicit AnnouncementPlayer(std::string audio_output = "");
  // Cuts off what still plays and removes any announcement file still held.
  ~AnnouncementPlayer();
  AnnouncementPlayer(const AnnouncementPlayer&) = delete;
  AnnouncementPlayer& operator=(const AnnouncementPlayer&) = delete;

  // Plays `file` from its start, cutting off the announcement that may still play. Returns
  // once the load has been issued; never waits for the clip. The player takes the file over
  // and deletes it as soon as it no longer needs it (once it has been opened or has failed
  // to open, at the latest when it is replaced or the player is destroyed). A file that
  // cannot be played is deleted too and gives silence.
  void PlayFile(const std::filesystem::path& file);
  // True from PlayFile until the clip has ended, failed or been stopped.
  bool IsPlaying() const;
  // The announcement now loading or playing; empty when none.
  std::filesystem::path CurrentFile() const;
  // Cuts off the current announcement, if any.
  void Stop();

 private:
  class Engine;
  std::unique_ptr<Engine> engine_;
};

}  // namespace quilla::server
