#pragma once
// The one object through which the server talks to its audio engine. The server keeps the
// handle of the song now playing (CurrentStream) itself; the player keeps no playback state
// that callers rely on beyond what each call reports.

#include <cstdint>
#include <string>
#include <string_view>

namespace quilla::server {

// 0 means "no stream" (never created, or creating failed).
using StreamHandle = std::uint32_t;

// Positions and lengths are byte counts of the decoded stream as 44,100 Hz, 16-bit stereo
// PCM, so one second is exactly this many bytes.
inline constexpr std::int64_t kBytesPerSecond = 176400;

// Not thread-safe: one owner thread makes every call (the server engine's thread). Calls that
// may block say so; none of them may run on the GUI thread.
class AudioPlayer {
 public:
  virtual ~AudioPlayer() = default;

  // Opens the audio output. Returns true when the engine is ready afterwards (also when it
  // already was). Until Init succeeds, CreateStream returns 0.
  virtual bool Init() = 0;
  // Releases every stream and the output. Returns false when the engine was not initialised.
  // Init may be called again afterwards.
  virtual bool Free() = 0;

  // Opens a stream from the first source that applies:
  //   1. file_path, memory_block and url all empty -> 0, the engine is not touched;
  //   2. a file exists at file_path -> that file;
  //   3. memory_block not empty -> the bytes of the block (copied; the caller may drop it);
  //   4. url not empty -> the URL;
  //   5. otherwise 0.
  // start_offset is a byte offset into the source file/block/URL body (not the decoded
  // stream) at which reading begins; negative -> 0 result.
  // The new stream is paused at its start: it does not sound until Play. Blocks until the
  // stream has opened or failed (bounded by the engine's open time-out). Returns 0 when the
  // source cannot be opened or holds no audio. A new stream replaces the previous one: the
  // previous handle becomes invalid and its resources are released.
  virtual StreamHandle CreateStream(const std::string& file_path, std::string_view memory_block,
                                    const std::string& url, std::int64_t start_offset = 0) = 0;
  StreamHandle CreateStreamFromUrl(const std::string& url) { return CreateStream({}, {}, url); }

  // Handle 0 -> false at once, without touching the engine. restart = true plays from the
  // start; false carries on from the current position (no change while already playing).
  // False for an invalid or replaced handle.
  virtual bool Play(StreamHandle handle, bool restart = true) = 0;
  // Pauses a playing stream (IsActive 3 afterwards). False when the handle is invalid or the
  // stream is not playing.
  virtual bool Pause(StreamHandle handle) = 0;
  // Stops without releasing (IsActive 0 afterwards); the position is kept, so Play(h, false)
  // carries on from there. False for an invalid handle.
  virtual bool Stop(StreamHandle handle) = 0;

  // Current position in bytes (0 .. GetLength); the length once the stream has ended.
  // -1 for an invalid handle.
  virtual std::int64_t GetPosition(StreamHandle handle) = 0;
  // Moves to `bytes` (0 .. GetLength) without changing the play state; moving to the length
  // ends the stream. Blocks until the move has taken effect. False for an invalid handle or a
  // position outside the stream.
  virtual bool SetPosition(StreamHandle handle, std::int64_t bytes) = 0;
  // Length of the stream in bytes; -1 for an invalid handle or a stream of unknown length.
  virtual std::int64_t GetLength(StreamHandle handle) = 0;
  // 0 stopped (also never played, ended, or invalid handle), 1 playing, 2 stalled (waiting
  // for data), 3 paused.
  virtual int IsActive(StreamHandle handle) = 0;
  // bytes / kBytesPerSecond in seconds (exact); a negative value for an invalid handle.
  virtual double BytesToSeconds(StreamHandle handle, std::int64_t bytes) = 0;
};

}  // namespace quilla::server
