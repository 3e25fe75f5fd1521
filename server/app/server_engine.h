#pragma once
// The server's engine: the OnlineUserList, the RequestQueue, the now-playing state, the
// scheduler and the progress ticks. Plain C++, owned by one thread: every member function
// must be called on the engine's thread (the host posts transport events, timer ticks and
// operator commands there), so no state here needs a lock. Events are handled one at a
// time in arrival order, which is what keeps one join's messages together.
//
// The engine never waits on the network or on a slow device: every call it makes on its
// dependencies returns at once (see each interface for its thread and blocking rules). The
// radio lookups run on the workers, a stream opens on the player's own thread, speech is
// synthesised on the speaker's, and each result comes back as an event. A start of a song
// is therefore under way for a while; StartsInFlight keeps the one rule for it.

#include <array>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server/app/background_work.h"
#include "server/app/deferrer.h"
#include "server/app/engine_observer.h"
#include "server/app/engine_types.h"
#include "server/app/listener.h"
#include "server/app/outbox.h"
#include "server/app/speaker.h"
#include "server/app/starts_in_flight.h"
#include "server/audio/audio_player.h"
#include "server/radio/radio_service.h"

namespace quilla::server {

inline constexpr std::string_view kProgramTitle = "Quilla服务端V3.7";

// Every pointer but `timers` and `observer` must be set (else the constructor throws
// std::invalid_argument) and outlive the engine; the workers behind `work` must be stopped
// before the engine goes (the host's Shutdown does it).
struct EngineDependencies {
  Outbox* outbox = nullptr;
  Listener* listener = nullptr;
  AudioPlayer* player = nullptr;
  Speaker* speaker = nullptr;
  RadioService* radio = nullptr;  // called only on the workers of `work`
  Deferrer* deferrer = nullptr;   // brings results back to the engine thread
  BackgroundWork* work = nullptr;
  TimerSink* timers = nullptr;
  EngineObserver* observer = nullptr;  // may be null
  // Local wall-clock time for "登陆时间"; defaults to the system clock.
  std::function<std::tm()> local_time;
  // Monotonic time for the radio list's retry limit; defaults to steady_clock.
  std::function<std::chrono::steady_clock::time_point()> steady_now;
};

class ServerEngine {
 public:
  ServerEngine(EngineDependencies deps, int port);
  ServerEngine(const ServerEngine&) = delete;
  ServerEngine& operator=(const ServerEngine&) = delete;

  // --- Start-up, settings, exit -------------------------------------------------------
  // The window-creation steps: first log line, timer periods, voice 0, and "sys.ini"
  // (`sys_ini` may not exist).
  void Create(const std::filesystem::path& sys_ini, std::string lan_ip);
  // "启动服务端" / "关闭服务端". Neither waits for the radio list: it arrives as an event.
  void StartServer();
  void StopServer();
  // Exit: writes "Wind"/"时间间隔" and "Wind"/"是否选中", then Shutdown. Returns false when
  // "sys.ini" could not be written.
  bool Exit(const std::filesystem::path& sys_ini);
  // The exit without the settings (the window writes them itself): drops a start under
  // way, frees the audio output, stops the listener and the timers.
  void Shutdown();

  // --- Transport events (the PacketHandler) -------------------------------------------
  void OnConnected(ClientHandle handle);
  void OnClosed(ClientHandle handle);
  void OnData(ClientHandle handle, std::string_view block);

  // --- Operator tools ---------------------------------------------------------------------
  // Kick ("踢出此人"), ban ("禁止点歌") and unban ("解除封印") of the row with `handle`;
  // false when no row has that handle.
  bool Kick(ClientHandle handle);
  bool Ban(ClientHandle handle);
  bool Unban(ClientHandle handle);
  void SetAllowSkip(bool ticked);          // "切歌选择框" clicked, now `ticked`
  void SetIntervalText(std::string text);  // one edit of "时间间隔设置"
  void SetRandomPlay(bool ticked);         // "随机播放选择框" clicked
  void SetVoiceEnabled(bool ticked);       // "语音开启选择框" clicked
  void SelectVoice(int index);             // "组合框1"
  void SelectChannel(int item);            // "组合框2"
  // "发送语音" of the voice window: speaks `text` with the chosen voice. The button only
  // exists while the voice switch is on; returns false (and says nothing) when it is off.
  bool SendVoice(std::string text);

  // --- Queue and playback controls ------------------------------------------------------
  void PauseSong();                  // "暂停播放"
  void ResumeSong();                 // "继续播放"
  void SkipSong();                   // "切歌" and a client's "客户端切歌"
  bool PlayRowNow(std::size_t row);  // double-click on a row; false: no such row
  bool DeleteRow(std::size_t row);   // "删除选中"
  // The same two by the row's id, for views whose row numbers may be a moment old.
  bool PlayQueuedSong(std::uint64_t id);
  bool DeleteQueuedSong(std::uint64_t id);
  void ClearQueue();      // "清空所有"
  void Seek(int slider);  // "歌曲进度" moved to 0..1000

  // --- Timers -------------------------------------------------------------------------------
  void OnTimer(TimerId timer);
  int TimerPeriod(TimerId timer) const { return periods_[static_cast<int>(timer)]; }

  // --- State, read by views, the console and tests ------------------------------------
  const std::vector<OnlineUser>& users() const { return users_; }
  const std::vector<QueuedSong>& queue() const { return queue_; }
  const NowPlaying& now_playing() const { return now_playing_; }
  const ProgressDisplay& progress() const { return progress_; }
  const ControlState& controls() const { return controls_; }
  StreamHandle current_stream() const { return current_stream_; }
  // A start whose stream has not opened (or failed) yet.
  bool start_under_way() const { return starts_.under_way(); }
  const std::string& current_lyrics() const { return current_lyrics_; }
  const std::string& radio_channel() const { return radio_channel_; }
  const std::vector<std::string>& radio_song_ids() const { return radio_song_ids_; }
  int radio_cursor() const { return radio_cursor_; }
  int port() const { return port_; }

  // The routines of the scheduler and the ticks, public so that tests can drive them one
  // by one exactly as the timers do.
  void RequestTick();
  void RadioCheckTick();
  void PlayNext();
  void StartQueueHead();
  void PlayNextRadioSong();
  void FetchRadioList();
  void ProgressTick(ProgressMode mode);

 private:
  // Messages.
  void Broadcast(const std::string& block);
  void SendJoinState();
  void AddRequest(const std::vector<std::string>& fields);
  void HandleJoin(ClientHandle handle, const std::vector<std::string>& fields);
  void HandleClientSkip(const std::string& user);

  // Tables.
  OnlineUser* FindRowByHandle(ClientHandle handle);
  bool RemoveRowByHandle(ClientHandle handle);
  void RemoveQueueRow(std::uint64_t id);
  std::optional<std::size_t> QueueRowOf(std::uint64_t id) const;

  // Songs. A start is asked for (BeginStart and the steps it hands out) and finished when
  // its stream has opened or failed (Finish...Start), which is when it is announced.
  StartsInFlight::Ticket BeginStart(std::optional<std::uint64_t> row);
  void DropStartUnderWay();
  void AbandonStart();
  int PlayState();
  void StartSong(const QueuedSong& song);
  void FinishQueuedStart(const QueuedSong& song, StreamHandle stream);
  void FinishRadioStart(const RadioSong& song, const std::string& picture_url, std::string lyrics,
                        StreamHandle stream);
  void OnRadioListFetched(std::uint64_t fetch, std::vector<std::string> ids);
  void ShowQueuedSong(const QueuedSong& song);
  void SetBanner(std::string text);
  void LowQueueWarning();
  void OnRequestSongEnded();

  void SetPeriod(TimerId timer, int period_ms);
  void Log(std::string text);
  void NotifyUsers();
  void NotifyQueue();
  void NotifyNowPlaying();
  void NotifyProgress();
  void NotifyControls();
  std::string LoginTimeText() const;

  EngineDependencies deps_;
  int port_;
  std::vector<OnlineUser> users_;
  std::vector<QueuedSong> queue_;
  std::uint64_t next_row_id_ = 1;
  // Rows whose start is under way or in the short pause after it: they stay listed but
  // are not started a second time meanwhile.
  std::vector<std::uint64_t> starting_rows_;
  StartsInFlight starts_;
  std::optional<std::uint64_t> row_under_way_;  // the row of the start under way, if any
  NowPlaying now_playing_;
  ProgressDisplay progress_;
  ControlState controls_;
  std::string default_user_state_ = "正常点歌";
  std::array<int, kTimerCount> periods_{};
  StreamHandle current_stream_ = 0;
  std::string current_lyrics_;

  std::string radio_channel_;
  std::vector<std::string> radio_song_ids_;
  int radio_cursor_ = 1;
  std::optional<std::chrono::steady_clock::time_point> last_radio_fetch_;
  bool radio_empty_logged_ = false;
  std::uint64_t radio_fetch_ = 0;  // numbers the list fetches; only the newest counts
  bool radio_fetch_under_way_ = false;
  bool radio_song_wanted_ = false;  // a radio song fell due while the list was on its way
};

}  // namespace quilla::server
