// The progress tick: slider, progress and time texts to every online user, the end of the
// song, and the lyrics line of the current second.

#include <algorithm>

#include "protocol/messages.h"
#include "server/app/server_engine.h"
#include "server/audio/lyrics.h"
#include "server/audio/progress_text.h"

namespace quilla::server {
namespace {

namespace msg = quilla::protocol;

constexpr std::string_view kNoLyricsMatch = "没有匹配到歌词.";

}  // namespace

void ServerEngine::ProgressTick(ProgressMode mode) {
  // Every user gets the tick's messages in one write.
  const OutboxBatch batch(*deps_.outbox);
  AudioPlayer& player = *deps_.player;
  // The reads are repeated step by step, as the song moves on between them.
  progress_.slider =
      SliderPosition(player.GetPosition(current_stream_), player.GetLength(current_stream_));

  progress_.progress_text =
      ProgressText(player.GetPosition(current_stream_), player.GetLength(current_stream_));
  Broadcast(msg::BuildSongProgress(progress_.progress_text));

  const std::string position_text =
      TimeText(player.BytesToSeconds(current_stream_, player.GetPosition(current_stream_)));
  const std::string length_text =
      TimeText(player.BytesToSeconds(current_stream_, player.GetLength(current_stream_)));
  progress_.time_label = position_text + " | " + length_text;
  progress_.time_text = progress_.time_label;
  Broadcast(msg::BuildSongTime(progress_.time_text));

  if (position_text == length_text) {
    progress_.slider = 0;
    progress_.lyrics_label.clear();
    progress_.time_label = "00:00 | 00:00";
    // While a start is under way there is no stream yet: the song that ended is already
    // being replaced.
    if (!starts_.under_way()) {
      if (mode == ProgressMode::kRequest) {
        OnRequestSongEnded();
      } else {
        PlayNext();
      }
    }
  }

  // The lyrics of whatever plays now, at the second computed above.
  if (current_lyrics_ != kNoLyricsMatch && !current_lyrics_.empty()) {
    const std::string line = FindLyricLine(current_lyrics_, position_text);
    if (!line.empty()) {
      progress_.lyrics_label = line;
      Broadcast(msg::BuildLyricsLine(line));
    }
    if (current_lyrics_.find('[') == std::string::npos) {
      progress_.lyrics_label = "当前歌词不支持滚动.";
    }
  } else {
    progress_.lyrics_label = "当前暂无歌词";
  }
  NotifyProgress();
}

void ServerEngine::Seek(int slider) {
  slider = std::clamp(slider, 0, 1000);
  const std::int64_t length = deps_.player->GetLength(current_stream_);
  deps_.player->SetPosition(current_stream_, SeekTarget(slider, length));
  ProgressTick(ProgressMode::kRequest);
}

}  // namespace quilla::server
