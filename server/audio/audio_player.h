#pragma once
// The one object through which the server talks to its audio engine. The server keeps the
// handle of the song now playing (CurrentStream) itself; the player keeps no playback state
// that callers rely on beyond what each call reports.
//
// Threads: one owner thread makes every call (the server engine's thread). No call waits
// for the network: opening a stream (which may take up to the open time-out) runs on the
// player's own thread and reports back through a callback. CreateStream, the blocking form
// of OpenStream, is for tools and tests; the engine never calls it. None of the calls may
// run on the GUI thread.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quilla::server {

// 0 means "no stream" (never created, or creating failed).
using StreamHandle = std::uint32_t;

// Positions and lengths are byte counts of the decoded stream as 44,100 Hz, 16-bit stereo
// PCM, so one second is exactly this many bytes.
inline constexpr std::int64_t kBytesPerSecond = 176400;

// Where a stream's audio comes from; see OpenStream for which source applies.
struct StreamSource {
  std::string file_path{};
  std::string memory_block{};
  std::string url{};
  // A byte offset into the source file/block/URL body (not the decoded stream) at which
  // reading begins; negative: nothing opens.
  std::int64_t start_offset = 0;
};

// Called once with the opened stream's handle, or 0.
using StreamOpened = std::function<void(StreamHandle handle)>;

class AudioPlayer {
 public:
  virtual ~AudioPlayer() = default;

  // Owner thread. Opens the audio output. Returns true when the engine is ready afterwards
  // (also when it already was). Until Init succeeds, every open gives 0.
  virtual bool Init() = 0;
  // Owner thread. Releases every stream and the output; an open under way is abandoned
  // (its callback gets 0 before Free returns). Returns false when the engine was not
  // initialised. Init may be called again afterwards.
  virtual bool Free() = 0;

  // Owner thread; never blocks. Opens a stream from the first source that applies:
  //   1. file_path, memory_block and url all empty -> 0, the engine is not touched;
  //   2. a file exists at file_path -> that file;
  //   3. memory_block not empty -> the bytes of the block;
  //   4. url not empty -> the URL;
  //   5. otherwise 0 (the engine is not touched either).
  // Once a source applies, the previous stream is released at once (its handle becomes
  // invalid) and an open still under way is abandoned (its callback gets 0).
  // `opened` is called exactly once: with the new stream's handle when it is open, paused
  // at its start (it does not sound until Play), or with 0 when the source cannot be
  // opened, holds no audio, the open time-out passed or the open was abandoned (by a newer
  // open, CloseStream or Free). It is called on a thread of the player, or on the calling
  // thread before OpenStream returns (for an outcome known at once); it must not call back
  // into the player. The handle is the stream's only once `opened` has delivered it.
  virtual void OpenStream(StreamSource source, StreamOpened opened) = 0;

  // Owner thread; blocks until the stream has opened or failed (bounded by the open
  // time-out). OpenStream with these sources, returning what `opened` delivers.
  StreamHandle CreateStream(const std::string& file_path, std::string_view memory_block,
                            const std::string& url, std::int64_t start_offset = 0);
  StreamHandle CreateStreamFromUrl(const std::string& url) { return CreateStream({}, {}, url); }

  // Owner thread; never blocks. Releases the stream `handle` (later calls with it act as for
  // an invalid handle). False when `handle` is not the player's current stream.
  virtual bool CloseStream(StreamHandle handle) = 0;

  // The calls below: owner thread; each is a short round trip to the audio engine and never
  // waits for the network.

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
  // ends the stream. Does not wait for the move: GetPosition reports `bytes` at once and the
  // stream carries on from there as soon as its data is at hand. False for an invalid
  // handle or a position outside the stream.
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
