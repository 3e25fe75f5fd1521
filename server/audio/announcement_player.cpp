#include "server/audio/announcement_player.h"

#include <map>
#include <mutex>
#include <system_error>

#include "server/audio/mpv_instance.h"

namespace quilla::server {
namespace {

void RemoveFile(const std::filesystem::path& file) {
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
}

}  // namespace

class AnnouncementPlayer::Engine {
 public:
  explicit Engine(const std::string& audio_output) {
    audio_internal::MpvInstance::Options options;
    options.audio_output = audio_output;
    options.keep_open = false;  // a clip that ends is unloaded, which ends its turn
    mpv_ = audio_internal::MpvInstance::Create(options,
                                               [this](const mpv_event& event) { OnEvent(event); });
  }

  ~Engine() {
    mpv_.reset();  // joins the event thread first
    ReleaseAll();
  }

  void PlayFile(const std::filesystem::path& file) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(file, error);
    std::lock_guard lock(mutex_);
    // Held across the load so that the events of the new entry find its file registered.
    const std::optional<std::int64_t> entry =
        mpv_ && !error ? mpv_->LoadFile(absolute.string()) : std::nullopt;
    if (!entry) {
      RemoveFile(file);
      return;
    }
    // Earlier clips are out of the playlist now and will never be opened again (one that
    // never got as far as starting also never sends an event that would release it).
    ReleaseAll();
    files_[*entry] = absolute;
    current_entry_ = *entry;
    current_file_ = absolute;
  }

  bool IsPlaying() const {
    std::lock_guard lock(mutex_);
    return current_entry_ >= 0;
  }

  std::filesystem::path CurrentFile() const {
    std::lock_guard lock(mutex_);
    return current_file_;
  }

  void Stop() {
    std::lock_guard lock(mutex_);
    if (!mpv_ || current_entry_ < 0) return;
    mpv_->Command({"stop"});
    ReleaseAll();
    current_entry_ = -1;
    current_file_.clear();
  }

 private:
  void OnEvent(const mpv_event& event) {
    std::lock_guard lock(mutex_);
    switch (event.event_id) {
      case MPV_EVENT_START_FILE:
        started_entry_ = static_cast<const mpv_event_start_file*>(event.data)->playlist_entry_id;
        break;
      case MPV_EVENT_FILE_LOADED:
        // Opened: the player reads from its open handle from now on.
        Release(started_entry_);
        break;
      case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<const mpv_event_end_file*>(event.data);
        Release(end->playlist_entry_id);
        if (end->playlist_entry_id == current_entry_) {
          current_entry_ = -1;
          current_file_.clear();
          // A clip that turns out to be a playlist must not go on to play its entries.
          if (end->reason == MPV_END_FILE_REASON_REDIRECT) mpv_->Command({"stop"});
        }
        break;
      }
      default:
        break;
    }
  }

  void Release(std::int64_t entry) {
    const auto it = files_.find(entry);
    if (it == files_.end()) return;
    RemoveFile(it->second);
    files_.erase(it);
  }

  void ReleaseAll() {
    for (const auto& [entry, file] : files_) RemoveFile(file);
    files_.clear();
  }

  mutable std::mutex mutex_;
  std::map<std::int64_t, std::filesystem::path> files_;  // entries whose file is still on disk
  std::int64_t started_entry_ = -1;
  std::int64_t current_entry_ = -1;  // the announcement loading or playing; -1 when none
  std::filesystem::path current_file_;
  std::unique_ptr<audio_internal::MpvInstance> mpv_;
};

AnnouncementPlayer::AnnouncementPlayer(std::string audio_output)
    : engine_(std::make_unique<Engine>(audio_output)) {}

AnnouncementPlayer::~AnnouncementPlayer() = default;

void AnnouncementPlayer::PlayFile(const std::filesystem::path& file) {
  engine_->PlayFile(file);
}

bool AnnouncementPlayer::IsPlaying() const {
  return engine_->IsPlaying();
}

std::filesystem::path AnnouncementPlayer::CurrentFile() const {
  return engine_->CurrentFile();
}

void AnnouncementPlayer::Stop() {
  engine_->Stop();
}

}  // namespace quilla::server
