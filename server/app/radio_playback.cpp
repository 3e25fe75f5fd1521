// Playing the radio: the channel's song list, the cursor, and the start of the next radio
// song with its announcement and its "系统随机" message.

#include "protocol/messages.h"
#include "server/app/server_engine.h"
#include "server/radio/radio_channels.h"

namespace quilla::server {
namespace {

namespace msg = quilla::protocol;

// While the list is empty (the service could not be reached), it is asked again at most
// this often, however often a radio song falls due.
constexpr std::chrono::seconds kEmptyListRetry{30};

}  // namespace

void ServerEngine::FetchRadioList() {
  radio_song_ids_ = deps_.radio->FetchRadioList(radio_channel_);
  last_radio_fetch_ = deps_.steady_now();
  if (!radio_song_ids_.empty()) radio_empty_logged_ = false;
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
  if (radio_song_ids_.empty()) {
    if (!last_radio_fetch_ || deps_.steady_now() - *last_radio_fetch_ >= kEmptyListRetry) {
      FetchRadioList();
      radio_cursor_ = 1;
    }
    if (radio_song_ids_.empty()) {
      if (!radio_empty_logged_) {
        Log("\r\n随机电台歌曲列表为空，暂时无法随机播放\r\n");
        radio_empty_logged_ = true;
      }
      return;
    }
  }
  if (radio_cursor_ < 1 || static_cast<std::size_t>(radio_cursor_) > radio_song_ids_.size()) {
    radio_cursor_ = 1;
  }
  const std::string id = radio_song_ids_[radio_cursor_ - 1];
  const RadioSong song = deps_.radio->LookUpRadioSong(id);
  const std::string picture_url = deps_.radio->LookUpRadioPicture(id);

  deps_.player->Stop(current_stream_);
  current_stream_ = deps_.player->CreateStreamFromUrl(song.song_url);
  deps_.player->Play(current_stream_, false);
  current_lyrics_ = song.lyrics_url.empty() ? std::string() : deps_.radio->DownloadLyrics(song.lyrics_url);

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

  if (static_cast<std::size_t>(radio_cursor_) == radio_song_ids_.size()) {
    FetchRadioList();
    radio_cursor_ = 1;
  } else {
    ++radio_cursor_;
  }
}

}  // namespace quilla::server
