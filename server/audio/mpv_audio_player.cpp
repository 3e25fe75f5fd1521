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

// The live mpv instance and the state of its one stream. Everything except the members under
// `mutex_` belongs to the owner thread.
class MpvAudioPlayer::Engine {
 public:
  explicit Engine(std::chrono::milliseconds open_timeout) : open_timeout_(open_timeout) {}
  ~Engine() { mpv_.reset(); }  // joins the event thread before the members it uses go

  bool Start(const std::string& audio_output) {
    MpvInstance::Options options;
    options.audio_output = audio_output;
    options.keep_open = true;  // an ended stream keeps its length and position, as it must
    options.network_timeout_seconds =
        std::max(1.0, std::chrono::duration<double>(open_timeout_).count());
    mpv_ = MpvInstance::Create(options, [this](const mpv_event& event) { OnEvent(event); });
    return mpv_ != nullptr;
  }

  // Loads `target` paused at its start; blocks until it has opened or failed. Returns false
  // (and leaves nothing loaded) when it failed, timed out or holds no audio.
  bool Load(const std::string& target, const std::string& options) {
    entry_ = -1;
    mpv_->SetFlag("pause", true);  // a new stream does not sound until Play
    const std::optional<std::int64_t> entry = mpv_->LoadFile(target, options);
    if (!entry) return false;
    bool loaded = false;
    {
      std::unique_lock lock(mutex_);
      changed_.wait_for(lock, open_timeout_,
                        [&] { return loaded_entry_ == *entry || ended_entry_ >= *entry; });
      loaded = loaded_entry_ == *entry && ended_entry_ < *entry;
    }
    if (!loaded || !mpv_->HasAudioTrack()) {
      // Also abandons a load still under way and any playlist the source turned out to be.
      mpv_->Command({"stop"});
      return false;
    }
    entry_ = *entry;
    state_ = State::kStopped;
    at_start_ = true;
    at_end_ = false;
    length_ = -1;
    ReadLength();
    return true;
  }

  // Leaves nothing loaded (a stream that was replaced by a source that failed).
  void Unload() {
    mpv_->Command({"stop"});
    entry_ = -1;
  }

  std::int64_t ReadLength() {
    if (const std::optional<double> duration = mpv_->GetDouble("duration")) {
      length_ = SecondsToBytes(*duration);
    }
    return length_;
  }

  std::int64_t ReadPosition() {
    RefreshEnd();
    if (at_end_) return ReadLength();
    const std::int64_t length = ReadLength();
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
    if (!ended) ended = mpv_->GetFlag("eof-reached").value_or(false);
    if (!ended) return;
    at_end_ = true;
    if (state_ == State::kPlaying) state_ = State::kStopped;
  }

  // Moves to `seconds` and waits until the engine plays (or would play) from there.
  bool SeekTo(double seconds) {
    std::uint64_t restarts_seen;
    {
      std::lock_guard lock(mutex_);
      restarts_seen = restarts_;
    }
    if (mpv_->Command({"seek", DecimalText(seconds), "absolute+exact"}) < 0) return false;
    // A restart may still be on its way from the opening of the stream; only one that
    // leaves the stream at the target is ours.
    const auto deadline = std::chrono::steady_clock::now() + open_timeout_;
    bool restarted = false;
    std::unique_lock lock(mutex_);
    while (true) {
      const bool woke = changed_.wait_until(lock, deadline, [&] {
        return restarts_ > restarts_seen || ended_entry_ >= entry_;
      });
      if (ended_entry_ >= entry_) return false;
      if (!woke) return restarted;
      restarted = true;
      restarts_seen = restarts_;
      lock.unlock();
      const auto position = mpv_->GetDouble("time-pos");
      lock.lock();
      if (position && std::abs(*position - seconds) < 0.5) return true;
    }
  }

  void ApplyPause() { mpv_->SetFlag("pause", state_ != State::kPlaying); }

  enum class State { kStopped, kPlaying, kPaused };

  std::chrono::milliseconds open_timeout_;
  std::unique_ptr<MpvInstance> mpv_;
  StreamHandle handle_ = 0;  // the live stream; 0 when none
  std::int64_t entry_ = -1;  // its playlist entry in mpv
  State state_ = State::kStopped;
  bool at_start_ = true;      // nothing played or moved since it was opened
  bool at_end_ = false;       // ran out, was moved to its end, or broke off
  std::int64_t length_ = -1;  // last length read, kept for a stream that broke off

 private:
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
        break;
      default:
        return;
    }
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::int64_t started_entry_ = -1;
  std::int64_t loaded_entry_ = -1;
  std::int64_t ended_entry_ = -1;
  std::uint64_t restarts_ = 0;
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

StreamHandle MpvAudioPlayer::CreateStream(const std::string& file_path,
                                          std::string_view memory_block, const std::string& url,
                                          std::int64_t start_offset) {
  if (file_path.empty() && memory_block.empty() && url.empty()) return 0;
  if (!engine_) return 0;
  std::error_code error;
  const bool file_exists = !file_path.empty() && std::filesystem::exists(file_path, error);
  if (!file_exists && memory_block.empty() && url.empty()) return 0;

  // A source applies: the previous stream goes, whatever the outcome.
  engine_->handle_ = 0;
  std::optional<Source> source = file_exists             ? FileSource(file_path, start_offset)
                                 : !memory_block.empty() ? MemorySource(memory_block, start_offset)
                                                         : UrlSource(url, start_offset);
  if (!source) {
    engine_->Unload();
    return 0;
  }
  if (!engine_->Load(source->target, source->options)) return 0;
  // A temporary copy is removed when this call returns; the engine reads from its open file.

  if (++last_handle_ == 0) ++last_handle_;
  engine_->handle_ = last_handle_;
  return last_handle_;
}

namespace {

// The engine when `handle` is its live stream, else null.
template <typename EnginePtr>
auto* Live(const EnginePtr& engine, StreamHandle handle) {
  return engine && handle != 0 && engine->handle_ == handle ? engine.get() : nullptr;
}

}  // namespace

bool MpvAudioPlayer::Play(StreamHandle handle, bool restart) {
  if (handle == 0) return false;
  Engine* engine = Live(engine_, handle);
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
  Engine* engine = Live(engine_, handle);
  if (!engine) return false;
  engine->RefreshEnd();
  if (engine->state_ != Engine::State::kPlaying) return false;
  engine->state_ = Engine::State::kPaused;
  engine->ApplyPause();
  return true;
}

bool MpvAudioPlayer::Stop(StreamHandle handle) {
  Engine* engine = Live(engine_, handle);
  if (!engine) return false;
  engine->RefreshEnd();
  engine->state_ = Engine::State::kStopped;
  engine->ApplyPause();
  return true;
}

std::int64_t MpvAudioPlayer::GetPosition(StreamHandle handle) {
  Engine* engine = Live(engine_, handle);
  return engine ? engine->ReadPosition() : -1;
}

bool MpvAudioPlayer::SetPosition(StreamHandle handle, std::int64_t bytes) {
  Engine* engine = Live(engine_, handle);
  if (!engine) return false;
  engine->RefreshEnd();
  const std::int64_t length = engine->ReadLength();
  if (bytes < 0 || length < 0 || bytes > length) return false;
  if (bytes == length) {
    // The end itself: the stream has nothing left, as if it had played out.
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
  Engine* engine = Live(engine_, handle);
  return engine ? engine->ReadLength() : -1;
}

int MpvAudioPlayer::IsActive(StreamHandle handle) {
  Engine* engine = Live(engine_, handle);
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
  if (!Live(engine_, handle)) return -1.0;
  return ToSeconds(bytes);
}

}  // namespace quilla::server
