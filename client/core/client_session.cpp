#include "client/core/client_session.h"

#include <algorithm>
#include <utility>

#include "settings/ini_file.h"

namespace quilla::client {
namespace {

using protocol::Command;
using F = SessionField;

constexpr std::string_view kWelcomeText = "欢迎使用本软件！";
constexpr std::string_view kBalloonTitle = "播放歌曲通知！";
constexpr std::string_view kConnectFailedText = "连接失败，请检查IP配置";

// The integer at the start of a text (blanks, sign, digits; 0 when there are none), as
// the settings files read their numbers.
int LeadingInteger(std::string_view text) {
  return settings::TextToInt(text);
}

}  // namespace

SessionUpdate ClientSession::ApplyBlock(std::string_view block) {
  return Apply(protocol::DecodeMessage(block));
}

SessionUpdate ClientSession::Apply(const protocol::Message& message) {
  SessionUpdate update;
  switch (message.command) {
    case Command::kFirstState: {
      // "首次获取" opens the whole state that the server sends on every join, the queue
      // included: start the mirror afresh so that it never holds the queue twice.
      ClearQueueMirror(update);
      if (auto first = protocol::ParseFirstState(message)) {
        state_.song_caption = first->song_text + "(" + first->requester + ")";
        state_.cover_url = std::move(first->cover_url);
        update.changed.Add(F::kSongCaption);
        update.changed.Add(F::kCoverUrl);
      }
      break;
    }
    case Command::kSongPlaying:
      if (auto song = protocol::ParseSongPlaying(message)) {
        ShowNowPlaying(*song, "当前播放的歌曲来自" + song->requester + "点播的" + song->title,
                       update);
      }
      break;
    case Command::kRadioSong:
      if (auto song = protocol::ParseRadioSong(message)) {
        ShowNowPlaying(*song, "当前播放的歌曲来自系统随机点播的" + song->title, update);
      }
      break;
    case Command::kLyricsLine:
      state_.lyrics_line = protocol::PayloadUtf8(message);
      update.changed.Add(F::kLyricsLine);
      break;
    case Command::kSongProgress:
      state_.progress_width =
          std::clamp(LeadingInteger(protocol::PayloadUtf8(message)), 0, kProgressTrackWidth);
      update.changed.Add(F::kProgressWidth);
      break;
    case Command::kSongTime:
      state_.time_text = protocol::PayloadUtf8(message);
      update.changed.Add(F::kTimeText);
      break;
    case Command::kRequestsForbidden:
      SetRequestControls(false, update);
      SetStatus("你已经被禁止点歌了！", update);
      break;
    case Command::kRequestsAllowed:
      SetRequestControls(true, update);
      SetStatus("你已经可以正常点歌了！", update);
      break;
    case Command::kSkipAllowed:
      state_.skip_button_visible = true;
      update.changed.Add(F::kSkipButton);
      SetStatus("你可以切歌了！", update);
      break;
    case Command::kSkipForbidden:
      state_.skip_button_visible = false;
      update.changed.Add(F::kSkipButton);
      SetStatus("你的切歌功能被禁止了", update);
      break;
    case Command::kSkipButtonShown:
      state_.skip_button_visible = protocol::ParseSkipButtonShown(message).value_or(false);
      update.changed.Add(F::kSkipButton);
      break;
    case Command::kSkipNotice:
      SetStatus(protocol::PayloadUtf8(message), update);
      break;
    case Command::kRequestInterval:
      state_.request_interval_s = LeadingInteger(protocol::PayloadUtf8(message));
      update.changed.Add(F::kRequestInterval);
      break;
    case Command::kQueueLow:
      ShowBalloon(protocol::PayloadUtf8(message), update);
      break;
    case Command::kSongAdded:
    case Command::kQueueEntry:
      if (auto pair = protocol::ParseQueuePair(message)) {
        state_.queue_mirror.push_back({std::move(pair->title), std::move(pair->requester)});
        update.changed.Add(F::kQueueMirror);
        update.queue_edits.push_back({QueueEdit::Kind::kAppended, state_.queue_mirror.size() - 1});
      }
      break;
    case Command::kUninstall:
      update.exit_requested = true;
      break;
    default:  // client-to-server words and kUnknown
      break;
  }
  return update;
}

void ClientSession::ShowNowPlaying(const protocol::NowPlaying& song,
                                   const std::string& balloon_text, SessionUpdate& update) {
  const std::string title_singer = song.title + "-" + song.singer;
  state_.lyrics_line = title_singer;
  state_.song_caption = title_singer + " (" + song.requester + ")";
  state_.cover_url = song.cover_url;
  update.changed.Add(F::kLyricsLine);
  update.changed.Add(F::kSongCaption);
  update.changed.Add(F::kCoverUrl);
  ShowBalloon(balloon_text, update);
  // The song has left the server's queue: drop its first row (a radio song that has the
  // same title as a queued one drops that row too, as it always has).
  auto& rows = state_.queue_mirror;
  const auto row = std::find_if(rows.begin(), rows.end(),
                                [&](const QueueRow& r) { return r.song == song.title; });
  if (row != rows.end()) {
    const auto index = static_cast<std::size_t>(row - rows.begin());
    rows.erase(row);
    update.changed.Add(F::kQueueMirror);
    update.queue_edits.push_back({QueueEdit::Kind::kRemoved, index});
  }
}

void ClientSession::ClearQueueMirror(SessionUpdate& update) {
  state_.queue_mirror.clear();
  update.changed.Add(F::kQueueMirror);
  update.queue_edits.push_back({QueueEdit::Kind::kCleared, 0});
}

void ClientSession::SetRequestControls(bool enabled, SessionUpdate& update) {
  state_.request_controls_enabled = enabled;
  state_.load_more_enabled = enabled;
  update.changed.Add(F::kRequestControls);
  update.changed.Add(F::kLoadMore);
}

void ClientSession::SetStatus(std::string text, SessionUpdate& update) {
  state_.status_text = std::move(text);
  update.changed.Add(F::kStatusText);
}

void ClientSession::ShowBalloon(std::string text, SessionUpdate& update) const {
  if (!popups_enabled_) return;
  update.balloon = Balloon{std::string(kBalloonTitle), std::move(text)};
}

SessionUpdate ClientSession::ConnectStarted(ConnectTrigger trigger) {
  SessionUpdate update;
  if (trigger == ConnectTrigger::kRetry) return update;
  if (trigger == ConnectTrigger::kButton) {
    state_.connection_status_text = "连接中...";
    update.changed.Add(F::kConnectionStatus);
  }
  // The connect no longer freezes the window; a second press would only race the first.
  state_.connect_button_enabled = false;
  update.changed.Add(F::kConnectButton);
  return update;
}

SessionUpdate ClientSession::Connected() {
  SessionUpdate update;
  state_.connect_button_caption = "已连接";
  state_.connect_button_enabled = false;
  state_.voice_button_enabled = true;
  state_.status_text = "连接服务端成功！";
  state_.connection_status_text = std::string(kProductText);
  state_.request_controls_enabled = true;  // `加载更多` waits for a search result
  for (F f : {F::kConnectButton, F::kVoiceButton, F::kStatusText, F::kConnectionStatus,
              F::kRequestControls}) {
    update.changed.Add(f);
  }
  update.panel = PanelMove::kSlideClosedIfOpen;
  return update;
}

SessionUpdate ClientSession::ConnectFailed() {
  SessionUpdate update;
  update.error_box = ErrorBox{"连接失败！", std::string(kConnectFailedText)};
  update.panel = PanelMove::kSlideOpenIfClosed;
  state_.connection_status_text = std::string(kConnectFailedText);
  state_.connect_button_caption = "连接服务端";
  state_.connect_button_enabled = true;
  state_.welcome_text = std::string(kWelcomeText);
  for (F f : {F::kConnectionStatus, F::kConnectButton, F::kWelcomeText}) update.changed.Add(f);
  return update;
}

SessionUpdate ClientSession::ConnectionLost() {
  SessionUpdate update;
  state_.connect_button_caption = "重新连接";
  state_.connect_button_enabled = true;
  state_.connection_status_text = "已断开连接！";
  update.panel = PanelMove::kSnapOpen;
  SetRequestControls(false, update);
  ClearQueueMirror(update);
  state_.welcome_text = std::string(kWelcomeText);
  for (F f : {F::kConnectButton, F::kConnectionStatus, F::kWelcomeText}) update.changed.Add(f);
  return update;
}

SessionUpdate ClientSession::SetNickname(std::string name) {
  SessionUpdate update;
  state_.nickname = std::move(name);
  update.changed.Add(F::kNickname);
  return update;
}

std::string ClientSession::JoinBlock(std::string_view local_address) const {
  return protocol::BuildUserJoin(state_.nickname, local_address);
}

std::string ClientSession::NameChangeBlock() const {
  return protocol::BuildNameChange(state_.nickname);
}

}  // namespace quilla::client
