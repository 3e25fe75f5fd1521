// The request queue and the play scheduler: which song the speakers play, and when.
// Every routine writes the timer periods in the order the scheduler has always written
// them, because the modes (request: "时钟1" + "time"; radio: "随机播放时钟" + "点播歌曲播放")
// are nothing but those periods.

#include <algorithm>
#include <chrono>

#include "protocol/messages.h"
#include "server/app/server_engine.h"

namespace quilla::server {
namespace {

namespace msg = quilla::protocol;

constexpr std::chrono::milliseconds kRowRemovalDelay{300};
constexpr int kPlaying = 1;
constexpr int kPaused = 3;

}  // namespace

void ServerEngine::AddRequest(const std::vector<std::string>& fields) {
  // Every accepted request is appended, duplicates included, so that the clients' copies
  // of the queue stay equal to it.
  QueuedSong song;
  song.id = next_row_id_++;
  song.requester = fields[0];
  song.title = fields[1];
  song.singer = fields[2];
  song.url = fields[3];
  song.cover_url = fields[4];
  song.lyrics = fields[5];
  queue_.push_back(song);
  NotifyQueue();
  Broadcast(msg::BuildSongAdded(song.title, song.requester));
}

// Every start begins here: the song that played goes at once, a start still under way is
// superseded (its row may start again later), and the progress shows no stream and no
// lyrics until the new one has opened.
StartsInFlight::Ticket ServerEngine::BeginStart(std::optional<std::uint64_t> row) {
  DropStartUnderWay();
  radio_song_wanted_ = false;
  deps_.player->Stop(current_stream_);
  current_stream_ = 0;
  current_lyrics_.clear();
  if (row &&
      std::find(starting_rows_.begin(), starting_rows_.end(), *row) == starting_rows_.end()) {
    starting_rows_.push_back(*row);
  }
  row_under_way_ = row;
  return starts_.Begin();
}

void ServerEngine::DropStartUnderWay() {
  if (starts_.under_way() && row_under_way_) std::erase(starting_rows_, *row_under_way_);
  row_under_way_.reset();
}

void ServerEngine::AbandonStart() {
  DropStartUnderWay();
  starts_.Supersede();
  radio_song_wanted_ = false;
}

// What the scheduler reads from the player: a start under way counts as a song that plays,
// so no tick starts a second song meanwhile.
int ServerEngine::PlayState() {
  return starts_.under_way() ? kPlaying : deps_.player->IsActive(current_stream_);
}

// The start of a queued song: asked now, announced when its stream has opened (or failed,
// which then counts as a song that ended at once).
void ServerEngine::StartSong(const QueuedSong& song) {
  const StartsInFlight::Ticket ticket = BeginStart(song.id);
  SetPeriod(TimerId::kProgress, 100);
  starts_.OpenStream(ticket, song.url,
                     [this, song](StreamHandle stream) { FinishQueuedStart(song, stream); });
}

// In the order the clients expect: the announcement is asked for first, then "歌曲播放"
// goes out, then (after the short pause) the row leaves the queue. The broadcast never
// waits for the speech: Speak only queues it.
void ServerEngine::FinishQueuedStart(const QueuedSong& song, StreamHandle stream) {
  row_under_way_.reset();
  current_stream_ = stream;
  deps_.player->Play(current_stream_, false);
  current_lyrics_ = song.lyrics;
  if (controls_.voice_enabled) {
    deps_.speaker->Speak("即将播放的歌曲来自 " + song.requester + " 点播的" + song.title,
                         controls_.voice);
  }
  Broadcast(msg::BuildSongPlaying(song.requester, song.title, song.singer, song.cover_url));
  ShowQueuedSong(song);
  // The row that was played goes, not whatever happens to be selected later.
  deps_.deferrer->RunAfter(kRowRemovalDelay, [this, id = song.id] { RemoveQueueRow(id); });
}

void ServerEngine::ShowQueuedSong(const QueuedSong& song) {
  SetBanner("当前歌曲来自 " + song.requester + " 点播的《" + song.title + "》");
  now_playing_.cover_url = song.cover_url;
  now_playing_.picture_url = song.cover_url;
  now_playing_.requester = song.requester;
  now_playing_.song_text = song.title + " - " + song.singer;
  now_playing_.group_caption = "正在点歌播放";
  NotifyNowPlaying();
}

void ServerEngine::SetBanner(std::string text) {
  now_playing_.banner = text;
  now_playing_.banner_edit = std::move(text);
  LowQueueWarning();  // every write of "编辑框1"
}

void ServerEngine::LowQueueWarning() {
  if (queue_.size() == 4) Broadcast(msg::BuildQueueLow());
}

void ServerEngine::RemoveQueueRow(std::uint64_t id) {
  std::erase(starting_rows_, id);
  const auto row = QueueRowOf(id);
  if (!row) return;  // deleted by the operator in the meantime
  queue_.erase(queue_.begin() + static_cast<std::ptrdiff_t>(*row));
  NotifyQueue();
}

void ServerEngine::StartQueueHead() {
  // The head is the first row whose start is not already under way: a row stays listed
  // while it starts and for the short pause after, and must not be started twice meanwhile.
  // (A skip while a row starts thus moves on to the row after it.)
  auto head = std::find_if(queue_.begin(), queue_.end(), [this](const QueuedSong& s) {
    return std::find(starting_rows_.begin(), starting_rows_.end(), s.id) == starting_rows_.end();
  });
  if (head == queue_.end()) return;
  const QueuedSong song = *head;
  StartSong(song);
}

void ServerEngine::RequestTick() {
  if (!queue_.empty()) {
    SetPeriod(TimerId::kRadioCheck, 0);
    SetPeriod(TimerId::kRadioProgress, 0);
    SetPeriod(TimerId::kRequest, 500);
    SetPeriod(TimerId::kProgress, 100);
    if (PlayState() == 0) StartQueueHead();
  }
  if (queue_.empty() && controls_.random_play) {
    SetPeriod(TimerId::kRadioCheck, 500);
    SetPeriod(TimerId::kRadioProgress, 500);
    SetPeriod(TimerId::kRequest, 0);
    SetPeriod(TimerId::kProgress, 0);
    if (PlayState() == 0) PlayNextRadioSong();
  }
}

void ServerEngine::RadioCheckTick() {
  PlayNext();
  SetPeriod(TimerId::kRadioProgress, 100);
  SetPeriod(TimerId::kRequest, 0);
  SetPeriod(TimerId::kProgress, 0);
}

void ServerEngine::PlayNext() {
  if (queue_.empty() && PlayState() == 0) {
    SetPeriod(TimerId::kRequest, 0);
    SetPeriod(TimerId::kProgress, 0);
    SetPeriod(TimerId::kRadioProgress, 500);
    SetPeriod(TimerId::kRadioCheck, 500);
    PlayNextRadioSong();
  }
  // A playing radio song is cut off for the queue. So is silence: the radio song ended or
  // failed to open, or the radio has no list to play from (yet). "时钟1" does not run in
  // radio mode, so the requests would otherwise wait for ever. A paused or stalled radio
  // song is left alone.
  const int state = PlayState();
  if (!queue_.empty() && (state == kPlaying || state == 0)) {
    SetPeriod(TimerId::kRequest, 500);
    SetPeriod(TimerId::kProgress, 500);
    SetPeriod(TimerId::kRadioProgress, 0);
    SetPeriod(TimerId::kRadioCheck, 0);
    StartQueueHead();
  }
}

void ServerEngine::SkipSong() {
  if (queue_.empty() && PlayState() == kPlaying) {
    SetPeriod(TimerId::kRequest, 0);
    SetPeriod(TimerId::kProgress, 0);
    SetPeriod(TimerId::kRadioProgress, 500);
    SetPeriod(TimerId::kRadioCheck, 500);
    PlayNextRadioSong();  // whether or not "随机播放" is ticked
  }
  if (!queue_.empty()) {
    SetPeriod(TimerId::kRadioCheck, 0);
    SetPeriod(TimerId::kRadioProgress, 0);
    const int state = PlayState();
    if (state == kPlaying || state == kPaused) StartQueueHead();
  }
  if (PlayState() == kPlaying && controls_.paused) {
    controls_.paused = false;
    NotifyControls();
  }
}

bool ServerEngine::PlayRowNow(std::size_t row) {
  if (row >= queue_.size()) return false;  // a double-click that hits no row
  SetPeriod(TimerId::kRequest, 500);
  SetPeriod(TimerId::kRadioProgress, 0);
  SetPeriod(TimerId::kRadioCheck, 0);
  const QueuedSong song = queue_[row];
  StartSong(song);
  return true;
}

void ServerEngine::OnRequestSongEnded() {
  // The end of a requested song starts the next request like the timer would (announced,
  // told to the clients, removed from the queue); with nothing queued, "时钟1" decides.
  SetPeriod(TimerId::kProgress, 0);
  if (!queue_.empty()) StartQueueHead();
}

void ServerEngine::SetRandomPlay(bool ticked) {
  controls_.random_play = ticked;
  NotifyControls();
  const bool idle = PlayState() == 0;
  if (ticked && queue_.empty() && idle) PlayNext();
  if (!ticked && !queue_.empty() && idle) RequestTick();
}

void ServerEngine::PauseSong() {
  deps_.player->Pause(current_stream_);
  controls_.paused = true;
  NotifyControls();
}

void ServerEngine::ResumeSong() {
  deps_.player->Play(current_stream_, false);
  controls_.paused = false;
  NotifyControls();
}

bool ServerEngine::DeleteRow(std::size_t row) {
  // The clients are not told: their copies keep the row.
  if (row >= queue_.size()) return false;
  queue_.erase(queue_.begin() + static_cast<std::ptrdiff_t>(row));
  NotifyQueue();
  return true;
}

std::optional<std::size_t> ServerEngine::QueueRowOf(std::uint64_t id) const {
  auto it =
      std::find_if(queue_.begin(), queue_.end(), [id](const QueuedSong& s) { return s.id == id; });
  if (it == queue_.end()) return std::nullopt;
  return static_cast<std::size_t>(it - queue_.begin());
}

bool ServerEngine::PlayQueuedSong(std::uint64_t id) {
  const auto row = QueueRowOf(id);
  return row && PlayRowNow(*row);
}

bool ServerEngine::DeleteQueuedSong(std::uint64_t id) {
  const auto row = QueueRowOf(id);
  return row && DeleteRow(*row);
}

void ServerEngine::ClearQueue() {
  queue_.clear();
  NotifyQueue();
}

}  // namespace quilla::server
