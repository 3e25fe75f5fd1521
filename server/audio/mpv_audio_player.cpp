#include "server/audio/mpv_audio_player.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "server/audio/mpv_instance.h"
#include "server/audio/temp_audio_file.h"

namespace quilla::server {
namespace {

using audio_internal::MpvInstance;
using audio_internal::TempAudioFile;

constexpr std::int64_t kBytesPerFrame = 4;  // 16-bit stereo
constexpr std::int64_t kFramesPerSecond = kBytesPerSecond / kBytesPerFrame;

// Whole sample frames, so that every position is a valid place in the PCM stream.
std::int64_t SecondsToBytes(double seconds) {
  if (!std::isfinite(seconds) || seconds <= 0) return 0;
  return static_cast<std::int64_t>(std::floor(seconds * kFramesPerSecond)) * kBytesPerFrame;
}

double ToSeconds(std::int64_t bytes) {
  return static_cast<double>(bytes) / static_cast<double>(kBytesPerSecond);
}

std::string DecimalText(double value) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  return std::string(buffer, result.ptr);
}

// Songs come from web addresses that clients send. Only web transfers are opened, so that
// such a text can never make the engine read local files, devices or other special sources.
bool IsWebUrl(const std::string& url) {
  const std::size_t colon = url.find("://");
  if (colon == std::string::npos) return false;
  std::string scheme = url.substr(0, colon);
  std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return scheme == "http" || scheme == "https" || scheme == "ftp";
}

// The bytes of `path` from `offset` on; nullopt when it cannot be read.
std::optional<std::string> ReadFileFrom(const std::filesystem::path& path, std::int64_t offset) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  in.seekg(offset);
  if (!in) return std::string();
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What the engine is to open: a path or URL, per-file options, and the private copy of the
// bytes when the source is a memory block or part of a file.
struct Source {
  std::string target;
  std::string options;
  std::optional<TempAudioFile> temp;
};

std::optional<Source> FileSource(const std::string& path, std::int64_t offset) {
  std::error_code error;
  if (offset < 0 || !std::filesystem::is_regular_file(path, error)) return std::nullopt;
  Source source;
  if (offset == 0) {
    source.target = std::filesystem::absolute(path, error).string();
    if (error) return std::nullopt;
    return source;
  }
  const std::optional<std::string> tail = ReadFileFrom(path, offset);
  if (!tail || tail->empty() || !(source.temp = TempAudioFile::Write(*tail))) return std::nullopt;
  source.target = source.temp->path().string();
  return source;
}

std::optional<Source> MemorySource(std::string_view block, std::int64_t offset) {
  if (offset < 0 || offset >= static_cast<std::int64_t>(block.size())) return std::nullopt;
  Source source;
  source.temp = TempAudioFile::Write(block.substr(static_cast<std::size_t>(offset)));
  if (!source.temp) return std::nullopt;
  source.target = source.temp->path().string();
  return source;
}

std::optional<Source> UrlSource(const std::string& url, std::int64_t offset) {
  if (offset < 0 || !IsWebUrl(url)) return std::nullopt;
  Source source;
  source.target = url;
  // Handed to the HTTP layer, which then asks for the body from that byte on.
  if (offset > 0) source.options = "stream-lavf-o=offset=" + std::to_string(offset);
  return source;
}

}  // namespace

// The live mpv instance, the state of its one stream and the open under way. The members
// under `mutex_` are shared with mpv's event thread and the opener thread; everything else
// belongs to the owner thread.
class MpvAudioPlayer::Engine {
 public:
  explicit Engine(std::chrono::milliseconds open_timeout) : open_timeout_(open_timeout) {}
  ~Engine() {
    StopOpener();  // the open under way gets its 0
    mpv_.reset();  // joins the event thread before the members it uses go
  }

  bool Start(const std::string& audio_output) {
    MpvInstance::Options options;
    options.audio_output = audio_output;
    options.keep_open = true;  // an ended stream keeps its length and position, as it must
    options.network_timeout_seconds =
        std::max(1.0, std::chrono::duration<double>(open_timeout_).count());
    mpv_ = MpvInstance::Create(options, [this](const mpv_event& event) { OnEvent(event); });
    if (!mpv_) return false;
    opener_ = std::thread([this] { WatchOpens(); });
    return true;
  }

  // Owner thread. Releases the live stream and abandons the open under way (its callback
  // gets 0 here).
  void Release() {
    handle_ = 0;
    seek_target_.reset();
    std::optional<PendingOpen> abandoned;
    {
      std::lock_guard lock(mutex_);
      abandoned = std::exchange(pending_, std::nullopt);
      opened_handle_ = 0;
    }
    if (abandoned) abandoned->opened(0);
  }

  // Owner thread; never waits for the load. Loads `source` paused at its start as stream
  // `handle`; the opener thread reports the outcome to `opened`.
  void BeginLoad(StreamHandle handle, Source source, StreamOpened opened) {
    std::unique_lock lock(mutex_);
    // Issued under the lock, so that the opener's "stop" for a failed open can never land
    // after this newer load.
    mpv_->SetFlag("pause", true);  // a new stream does not sound until Play
    const std::optional<std::int64_t> entry = mpv_->LoadFile(source.target, source.options);
    if (!entry) {
      lock.unlock();
      opened(0);
      return;
    }
    pending_ = PendingOpen{handle, *entry, std::move(source.temp), std::move(opened),
                           std::chrono::steady_clock::now() + open_timeout_};
    lock.unlock();
    changed_.notify_all();
  }

  // Owner thread. Makes `handle` the live stream when its open has finished well.
  bool Adopt(StreamHandle handle) {
    std::int64_t entry;
    {
      std::lock_guard lock(mutex_);
      if (handle == 0 || opened_handle_ != handle) return false;
      entry = opened_entry_;
      opened_handle_ = 0;
    }
    handle_ = handle;
    entry_ = entry;
    state_ = State::kStopped;
    at_start_ = true;
    at_end_ = false;
    length_ = -1;
    seek_target_.reset();
    ReadLength();
    return true;
  }

  // Leaves nothing loaded (a stream that was replaced by a source that failed, or closed).
  void Unload() {
    {
      std::lock_guard lock(mutex_);
      mpv_->Command({"stop"});
    }
    handle_ = 0;
    seek_target_.reset();
  }

  std::int64_t ReadLength() {
    if (const std::optional<double> duration = mpv_->GetDouble("duration")) {
      length_ = SecondsToBytes(*duration);
    }
    return length_;
  }

  std::int64_t ReadPosition() {
    const std::int64_t length = ReadLength();
    if (SeekUnderWay()) {
      const std::int64_t target = SecondsToBytes(*seek_target_);
      return length >= 0 ? std::min(target, length) : target;
    }
    RefreshEnd();
    if (at_end_) return length;
    std::int64_t position = SecondsToBytes(mpv_->GetDouble("time-pos").value_or(0));
    if (length >= 0) position = std::min(position, length);
    return position;
  }

  // Notices that the stream ran out (or broke off) since the last call.
  void RefreshEnd() {
    if (at_end_) return;
    bool ended;
    {
      std::lock_guard lock(mutex_);
      ended = ended_entry_ >= entry_;
    }
    // A move still under way leaves the old end-of-file mark standing for a moment.
    if (!ended && !SeekUnderWay()) ended = mpv_->GetFlag("eof-reached").value_or(false);
    if (!ended) return;
    at_end_ = true;
    if (state_ == State::kPlaying) state_ = State::kStopped;
  }

  // Issues a move to `seconds` without waiting for it: until the engine has carried it
  // out (its next playback restart), the position reads `seconds`.
  bool SeekTo(double seconds) {
    std::uint64_t restarts;
    {
      std::lock_guard lock(mutex_);
      restarts = restarts_;
    }
    if (mpv_->Command({"seek", DecimalText(seconds), "absolute+exact"}) < 0) return false;
    seek_target_ = seconds;
    seek_restarts_ = restarts;
    return true;
  }

  bool SeekUnderWay() {
    if (!seek_target_) return false;
    bool done;
    {
      std::lock_guard lock(mutex_);
      done = restarts_ > seek_restarts_ || ended_entry_ >= entry_;
    }
    if (done) seek_target_.reset();
    return !done;
  }

  void ApplyPause() { mpv_->SetFlag("pause", state_ != State::kPlaying); }

  enum class State { kStopped, kPlaying, kPaused };

  std::chrono::milliseconds open_timeout_;
  std::unique_ptr<MpvInstance> mpv_;
  StreamHandle handle_ = 0;  // the live stream; 0 when none
  std::int64_t entry_ = -1;  // its playlist entry in mpv
  State state_ = State::kStopped;
  bool at_start_ = true;               // nothing played or moved since it was opened
  bool at_end_ = false;                // ran out, was moved to its end, or broke off
  std::int64_t length_ = -1;           // last length read, kept for a stream that broke off
  std::optional<double> seek_target_;  // a move not yet carried out
  std::uint64_t seek_restarts_ = 0;    // restarts seen when it was issued

 private:
  struct PendingOpen {
    StreamHandle handle;
    std::int64_t entry;
    std::optional<TempAudioFile> temp;  // kept until the engine has the file open
    StreamOpened opened;
    std::chrono::steady_clock::time_point deadline;
  };

  void OnEvent(const mpv_event& event) {
    std::lock_guard lock(mutex_);
    switch (event.event_id) {
      case MPV_EVENT_START_FILE:
        started_entry_ = static_cast<const mpv_event_start_file*>(event.data)->playlist_entry_id;
        break;
      case MPV_EVENT_FILE_LOADED:
        loaded_entry_ = started_entry_;
        break;
      case MPV_EVENT_END_FILE:
        // Entries end in the order they started, so one number records them all.
        ended_entry_ = std::max(
            ended_entry_, static_cast<const mpv_event_end_file*>(event.data)->playlist_entry_id);
        break;
      case MPV_EVENT_PLAYBACK_RESTART:
        ++restarts_;
        restarted_entry_ = loaded_entry_;
        break;
      default:
        return;
    }
    changed_.notify_all();
  }

  // The opener thread: waits for the open under way to be ready (loaded, and its first
  // playback restart done, so that a later restart always belongs to a move), to fail or
  // to time out, and reports it.
  void WatchOpens() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
      if (!pending_) {
        changed_.wait(lock);
        continue;
      }
      const StreamHandle handle = pending_->handle;
      const std::int64_t entry = pending_->entry;
      const bool ended = ended_entry_ >= entry;
      const bool ready = restarted_entry_ == entry && !ended;
      if (!ended && !ready && std::chrono::steady_clock::now() < pending_->deadline) {
        changed_.wait_until(lock, pending_->deadline);
        continue;
      }
      bool ok = ready;
      if (ok) {
        lock.unlock();
        ok = mpv_->HasAudioTrack();
        lock.lock();
        // Abandoned meanwhile: whoever took it has answered it.
        if (!pending_ || pending_->handle != handle) continue;
      }
      PendingOpen open = std::move(*pending_);
      pending_.reset();
      if (ok) {
        opened_handle_ = handle;
        opened_entry_ = entry;
      } else {
        // Also abandons a load still under way and any playlist the source turned out to be.
        mpv_->Command({"stop"});
      }
      lock.unlock();
      open.temp.reset();
      open.opened(ok ? handle : 0);
      lock.lock();
    }
    if (pending_) {
      PendingOpen open = std::move(*pending_);
      pending_.reset();
      lock.unlock();
      open.opened(0);
    }
  }

  void StopOpener() {
    if (!opener_.joinable()) return;
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    opener_.join();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::int64_t started_entry_ = -1;
  std::int64_t loaded_entry_ = -1;
  std::int64_t ended_entry_ = -1;
  std::int64_t restarted_entry_ = -1;
  std::uint64_t restarts_ = 0;
  std::optional<PendingOpen> pending_;
  StreamHandle opened_handle_ = 0;  // opened well, not yet adopted by the owner thread
  std::int64_t opened_entry_ = -1;
  bool stopping_ = false;
  std::thread opener_;
};

MpvAudioPlayer::MpvAudioPlayer(std::string audio_output, std::chrono::milliseconds open_timeout)
    : audio_output_(std::move(audio_output)), open_timeout_(open_timeout) {}

MpvAudioPlayer::~MpvAudioPlayer() {
  Free();
}

bool MpvAudioPlayer::Init() {
  if (engine_) return true;
  auto engine = std::make_unique<Engine>(open_timeout_);
  if (!engine->Start(audio_output_)) return false;
  engine_ = std::move(engine);
  return true;
}

bool MpvAudioPlayer::Free() {
  if (!engine_) return false;
  engine_.reset();
  return true;
}

void MpvAudioPlayer::OpenStream(StreamSource source, StreamOpened opened) {
  const std::string& file_path = source.file_path;
  const std::string& memory_block = source.memory_block;
  const std::string& url = source.url;
  if (file_path.empty() && memory_block.empty() && url.empty()) return opened(0);
  if (!engine_) return opened(0);
  std::error_code error;
  const bool file_exists = !file_path.empty() && std::filesystem::exists(file_path, error);
  if (!file_exists && memory_block.empty() && url.empty()) return opened(0);

  // A source applies: the previous stream goes, whatever the outcome.
  engine_->Release();
  std::optional<Source> chosen = file_exists ? FileSource(file_path, source.start_offset)
                                 : !memory_block.empty()
                                     ? MemorySource(memory_block, source.start_offset)
                                     : UrlSource(url, source.start_offset);
  if (!chosen) {
    engine_->Unload();
    return opened(0);
  }
  if (++last_handle_ == 0) ++last_handle_;
  engine_->BeginLoad(last_handle_, std::move(*chosen), std::move(opened));
}

MpvAudioPlayer::Engine* MpvAudioPlayer::Live(StreamHandle handle) {
  if (!engine_ || handle == 0) return nullptr;
  if (engine_->handle_ == handle || engine_->Adopt(handle)) return engine_.get();
  return nullptr;
}

bool MpvAudioPlayer::CloseStream(StreamHandle handle) {
  if (Engine* engine = Live(handle)) {
    engine->Unload();
    return true;
  }
  return false;
}

bool MpvAudioPlayer::Play(StreamHandle handle, bool restart) {
  if (handle == 0) return false;
  Engine* engine = Live(handle);
  if (!engine) return false;
  engine->RefreshEnd();
  if (restart && !engine->at_start_) {
    if (!engine->SeekTo(0)) return false;
    engine->at_start_ = true;
    engine->at_end_ = false;
  }
  if (engine->at_end_) {
    engine->state_ = Engine::State::kStopped;  // nothing left to play
    return true;
  }
  engine->state_ = Engine::State::kPlaying;
  engine->at_start_ = false;
  engine->ApplyPause();
  return true;
}

bool MpvAudioPlayer::Pause(StreamHandle handle) {
  Engine* engine = Live(handle);
  if (!engine) return false;
  engine->RefreshEnd();
  if (engine->state_ != Engine::State::kPlaying) return false;
  engine->state_ = Engine::State::kPaused;
  engine->ApplyPause();
  return true;
}

bool MpvAudioPlayer::Stop(StreamHandle handle) {
  Engine* engine = Live(handle);
  if (!engine) return false;
  engine->RefreshEnd();
  engine->state_ = Engine::State::kStopped;
  engine->ApplyPause();
  return true;
}

std::int64_t MpvAudioPlayer::GetPosition(StreamHandle handle) {
  Engine* engine = Live(handle);
  return engine ? engine->ReadPosition() : -1;
}

bool MpvAudioPlayer::SetPosition(StreamHandle handle, std::int64_t bytes) {
  Engine* engine = Live(handle);
  if (!engine) return false;
  engine->RefreshEnd();
  const std::int64_t length = engine->ReadLength();
  if (bytes < 0 || length < 0 || bytes > length) return false;
  if (bytes == length) {
    // The end itself: the stream has nothing left, as if it had played out.
    engine->seek_target_.reset();
    engine->at_end_ = true;
    engine->at_start_ = false;
    if (engine->state_ == Engine::State::kPlaying) engine->state_ = Engine::State::kStopped;
    engine->ApplyPause();
    return true;
  }
  if (!engine->SeekTo(ToSeconds(bytes))) return false;
  engine->at_end_ = false;
  engine->at_start_ = bytes == 0;
  engine->ApplyPause();
  return true;
}

std::int64_t MpvAudioPlayer::GetLength(StreamHandle handle) {
  Engine* engine = Live(handle);
  return engine ? engine->ReadLength() : -1;
}

int MpvAudioPlayer::IsActive(StreamHandle handle) {
  Engine* engine = Live(handle);
  if (!engine) return 0;
  engine->RefreshEnd();
  switch (engine->state_) {
    case Engine::State::kStopped:
      return 0;
    case Engine::State::kPaused:
      return 3;
    case Engine::State::kPlaying:
      return engine->mpv_->GetFlag("paused-for-cache").value_or(false) ? 2 : 1;
  }
  return 0;
}

double MpvAudioPlayer::BytesToSeconds(StreamHandle handle, std::int64_t bytes) {
  if (!Live(handle)) return -1.0;
  return ToSeconds(bytes);
}

}  // namespace quilla::server
