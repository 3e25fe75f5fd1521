#include "client/requests/song_requests.h"

#include "protocol/messages.h"

namespace quilla::client {

std::string TooFastText(std::int32_t interval_s) {
  return "点歌时间间隔过快！请" + std::to_string(interval_s) + "秒后再点！";
}

std::string RequestSentText(std::string_view title) {
  return "点播歌曲《" + std::string(title) + "》成功！";
}

RequestUpdate SongRequests::RequestSelectedSong(const SongRecord* selected,
                                                std::string_view nickname, std::int32_t interval_s,
                                                const SendBlock& send) {
  RequestUpdate update;
  // A click beside the rows would send five empty fields that the server ignores and put
  // an empty row into the history.
  if (selected == nullptr) return update;
  if (!limiter_.TryRequest(interval_s)) {
    update.notice_box = TooFastText(interval_s);
    return update;
  }
  const SongRecord& song = *selected;
  const std::string block = protocol::BuildRequestSong(
      {std::string(nickname), song.title, song.artist, song.url, song.picture, song.lyrics});
  const bool sent = !block.empty() && send(block);
  update.status_text = sent ? RequestSentText(song.title) : std::string(kRequestFailedText);
  update.history_edits.push_back(history_.AddRequest(song));
  update.count_text = CountText();
  return update;
}

RequestUpdate SongRequests::DeleteSelectedHistoryRow(std::optional<std::size_t> selected) {
  RequestUpdate update;
  if (auto edit = history_.DeleteRow(selected)) update.history_edits.push_back(*edit);
  update.count_text = CountText();
  return update;
}

RequestUpdate SongRequests::ClearHistory() {
  RequestUpdate update;
  update.history_edits.push_back(history_.Clear());
  update.count_text = CountText();
  return update;
}

RequestUpdate SongRequests::SkipCurrentSong(std::string_view nickname,
                                            const SendBlock& send) const {
  RequestUpdate update;
  if (!send(protocol::BuildClientSkip(nickname))) {
    update.error_box = ErrorBox{std::string(kSkipFailedTitle), std::string(kSkipFailedText)};
  }
  return update;
}

RequestUpdate SongRequests::LoadHistory(const std::filesystem::path& file) {
  RequestUpdate update;
  update.history_edits = history_.LoadListView(file, /*with_columns=*/true);
  update.count_text = CountText();
  return update;
}

}  // namespace quilla::client
