#pragma once
// Song requests and the request history as the window's handlers see them: a double-click
// on a search result, the history's two buttons, the skip button, and loading and saving
// the history. Each handler returns what the window shows next.
//
// Not thread-safe: one object, used on the GUI thread. `send` is the connection's Send
// (ServerConnection::Send): it queues one block and returns false when not connected.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "client/core/session_state.h"
#include "client/requests/request_history.h"
#include "client/requests/request_limiter.h"
#include "client/search/song_record.h"

namespace quilla::client {

using SendBlock = std::function<bool(std::string block)>;

// "点歌时间间隔过快！请" + interval + "秒后再点！".
std::string TooFastText(std::int32_t interval_s);
// "点播歌曲《" + title + "》成功！".
std::string RequestSentText(std::string_view title);
inline constexpr std::string_view kRequestFailedText = "点播失败！";
inline constexpr std::string_view kSkipFailedTitle = "错误！";
inline constexpr std::string_view kSkipFailedText = "切歌失败！";

// What a handler did; the window applies each member that is set, in this order.
struct RequestUpdate {
  // An OK-only message box without an icon (the request came too fast).
  std::optional<std::string> notice_box;
  std::optional<ErrorBox> error_box;
  std::optional<std::string> status_text;  // `透明标签1`
  std::vector<HistoryEdit> history_edits;  // `已点歌曲列表`, in order
  std::optional<std::string> count_text;   // `歌曲数量标签`

  bool empty() const {
    return !notice_box && !error_box && !status_text && history_edits.empty() && !count_text;
  }
};

class SongRequests {
 public:
  explicit SongRequests(MonotonicClock now = &std::chrono::steady_clock::now)
      : limiter_(std::move(now)) {}

  const RequestHistory& history() const { return history_; }
  RequestHistory& history() { return history_; }

  // RequestSelectedSong: a double-click on SearchResultList. `selected` is the row under
  // the click; a click on no row (nullptr) does nothing at all. Within `interval_s` of
  // the last accepted request the notice box says how long to wait and nothing else
  // happens. Otherwise "点播歌曲" goes out with the six fields (nickname, title, artist,
  // url, picture, lyrics); the status line tells whether the connection took it, and in
  // both cases the song becomes the history's top row.
  RequestUpdate RequestSelectedSong(const SongRecord* selected, std::string_view nickname,
                                    std::int32_t interval_s, const SendBlock& send);

  // "删除选中项": removes the selected row (nothing when none is selected).
  RequestUpdate DeleteSelectedHistoryRow(std::optional<std::size_t> selected);
  // "清空列表": removes every row (the file changes only when the program closes).
  RequestUpdate ClearHistory();

  // The skip button: "客户端切歌" with the nickname; a refused send shows "切歌失败！" with
  // the error icon and the title "错误！". A sent skip shows nothing (the server's
  // "切歌提示" reports it to everybody).
  RequestUpdate SkipCurrentSong(std::string_view nickname, const SendBlock& send) const;

  // Start-up: the history from dgjl.ini (with column titles and widths), then the count.
  RequestUpdate LoadHistory(const std::filesystem::path& file);
  // Closing: the history to dgjl.ini (close buttons) or gq.ini (any other closing).
  bool SaveHistory(const std::filesystem::path& file, int selected_row = -1) const {
    return history_.SaveListView(file, selected_row);
  }

  // UpdateRequestCount: the label's text for the history as it is.
  std::string CountText() const { return history_.CountText(); }

 private:
  RequestLimiter limiter_;
  RequestHistory history_;
};

}  // namespace quilla::client
