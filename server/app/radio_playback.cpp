// Playing the radio: the channel's song list, the cursor, and the start of the next radio
// song with its announcement and its "系统随机" message. Every web request runs on a
// worker; the list and the song's details come back as events.

#include <utility>

#include "protocol/messages.h"
#include "server/app/server_engine.h"
#include "server/radio/radio_channels.h"

namespace quilla::server {
namespace {

namespace msg = quilla::protocol;

// While the list is empty (the service could not be reached), it is asked again at most
// this often, however often a radio song falls due.
constexpr std::chrono::seconds kEmptyListRetry{30};

// What a radio start needs before its stream can open.
struct RadioStartDetails {
  RadioSong song;
  std::string picture_url;
  std::string lyrics;
};

// The blocking part of a radio start, on a worker, in the order the service is asked.
RadioStartDetails LookUpRadioStart(RadioService& radio, const std::string& id,
                                   std::stop_token stop) {
  RadioStartDetails details;
  details.song = radio.LookUpRadioSong(id, stop);
  details.picture_url = radio.LookUpRadioPicture(id, stop);
  if (!details.song.lyrics_url.empty()) {
    details.lyrics = radio.DownloadLyrics(details.song.lyrics_url, stop);
  }
  return details;
}

}  // namespace

void ServerEngine::FetchRadioList() {
  const std::uint64_t fetch = ++radio_fetch_;
  radio_fetch_under_way_ = true;
  last_radio_fetch_ = deps_.steady_now();
  RunThenPost(
      *deps_.work, *deps_.deferrer,
      [radio = deps_.radio, channel = radio_channel_](std::stop_token stop) {
        return radio->FetchRadioList(channel, stop);
      },
      [this, fetch](std::vector<std::string> ids) { OnRadioListFetched(fetch, std::move(ids)); });
}

void ServerEngine::OnRadioListFetched(std::uint64_t fetch, std::vector<std::string> ids) {
  if (fetch != radio_fetch_) return;  // the list of a channel that has been replaced since
  radio_fetch_under_way_ = false;
  radio_song_ids_ = std::move(ids);
  radio_cursor_ = 1;
  if (!radio_song_ids_.empty()) radio_empty_logged_ = false;
  // A radio song that fell due meanwhile starts now, unless another song has started
  // since (which clears the wish) or requests are waiting (the scheduler takes those).
  if (std::exchange(radio_song_wanted_, false) && queue_.empty()) PlayNextRadioSong();
}

void ServerEngine::SelectChannel(int item) {
  const auto items = RadioChannelItems();
  if (item < 0 || static_cast<std::size_t>(item) >= items.size()) return;
  if (items[item].channel.empty()) return;  // a heading selects nothing
  controls_.channel_item = item;
  NotifyControls();
  radio_channel_ = std::string(items[item].channel);
  FetchRadioList();
  radio_cursor_ = 1;
}

void ServerEngine::PlayNextRadioSong() {
  // The list on its way is the list to play from: the song starts when it has come.
  if (radio_fetch_under_way_) {
    radio_song_wanted_ = true;
    return;
  }
  if (radio_song_ids_.empty()) {
    if (!last_radio_fetch_ || deps_.steady_now() - *last_radio_fetch_ >= kEmptyListRetry) {
      FetchRadioList();
      radio_cursor_ = 1;
      radio_song_wanted_ = true;
      return;
    }
    if (!radio_empty_logged_) {
      Log("\r\n随机电台歌曲列表为空，暂时无法随机播放\r\n");
      radio_empty_logged_ = true;
    }
    return;
  }
  if (radio_cursor_ < 1 || static_cast<std::size_t>(radio_cursor_) > radio_song_ids_.size()) {
    radio_cursor_ = 1;
  }
  const std::string id = radio_song_ids_[radio_cursor_ - 1];
  const StartsInFlight::Ticket ticket = BeginStart(std::nullopt);
  starts_.RunBlocking(
      ticket,
      [radio = deps_.radio, id](std::stop_token stop) {
        return LookUpRadioStart(*radio, id, stop);
      },
      [this, ticket](RadioStartDetails details) {
        const std::string song_url = details.song.song_url;
        starts_.OpenStream(
            ticket, song_url, [this, details = std::move(details)](StreamHandle stream) {
              FinishRadioStart(details.song, details.picture_url, details.lyrics, stream);
            });
      });

  // The cursor moves on at the ask, so that a skip meanwhile takes the entry after it.
  if (static_cast<std::size_t>(radio_cursor_) == radio_song_ids_.size()) {
    FetchRadioList();
    radio_cursor_ = 1;
  } else {
    ++radio_cursor_;
  }
}

// As for a queued song: the announcement is asked for first, then "系统随机" goes out.
void ServerEngine::FinishRadioStart(const RadioSong& song, const std::string& picture_url,
                                    std::string lyrics, StreamHandle stream) {
  current_stream_ = stream;
  deps_.player->Play(current_stream_, false);
  current_lyrics_ = std::move(lyrics);

  if (controls_.voice_enabled) {
    deps_.speaker->Speak("即将播放的歌曲来自系统随机点播的" + song.title, controls_.voice);
  }
  Broadcast(msg::BuildRadioSong(song.title, song.artist, picture_url));

  SetBanner("当前播放的歌曲来自系统随机点播的《" + song.title + "》");
  now_playing_.cover_url = picture_url;
  now_playing_.picture_url = picture_url;
  now_playing_.requester = msg::kRadioRequester;
  now_playing_.song_text = song.title + " - " + song.artist;
  now_playing_.group_caption = "正在随机播放";
  NotifyNowPlaying();
}

}  // namespace quilla::server
