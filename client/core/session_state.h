#pragma once
// What the client shows of its connection and of the server's messages, as plain values:
// the state a window renders, and the update that one step of the session produced.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quilla::client {

inline constexpr std::string_view kVersionText = "V3.7";
// "Quilla客户端 " + kVersionText: the status lines' resting text.
inline constexpr std::string_view kProductText = "Quilla客户端 V3.7";
static_assert(kProductText.ends_with(kVersionText));
// Full width of the progress track, in pixels; the server's "歌曲进度" counts in it.
inline constexpr int kProgressTrackWidth = 400;

// One row of QueueMirror: the server's queue as the server reported it.
struct QueueRow {
  std::string song;       // column "歌曲"
  std::string requester;  // column "点歌人"
  bool operator==(const QueueRow&) const = default;
};

// The designed start of every value is the window's design: a window that renders a
// fresh SessionState shows what it showed before the first connection.
struct SessionState {
  // Now-playing area.
  std::string song_caption = "Quilla系统，点播您想听的歌";  // `歌曲名称显示`
  std::string cover_url;  // `歌曲封面显示`, fetched by the view
  // `歌词文本显示` and the desktop lyrics window's text (always set together).
  std::string lyrics_line = "当前暂无歌词";
  int progress_width = 0;                 // `进度条_绿`, 0..kProgressTrackWidth
  std::string time_text = "00:00/00:00";  // `进度_时间`
  bool skip_button_visible = false;       // `切歌`

  std::vector<QueueRow> queue_mirror;  // `超级列表框1`, top row first

  // `音乐列表框`, `已点歌曲列表` and `搜索框` share one enabled state; `加载更多` has its own
  // because a connect enables the three but not it.
  bool request_controls_enabled = false;
  bool load_more_enabled = false;
  bool voice_button_enabled = false;  // `按钮1`

  std::int32_t request_interval_s = 0;  // RequestInterval: minimum gap between two requests

  std::string status_text{kProductText};              // `透明标签1`
  std::string welcome_text = "欢迎使用本软件！";      // `透明标签2`
  std::string connection_status_text{kProductText};   // `透明标签5`
  std::string connect_button_caption = "连接服务端";  // `连接服务端`
  bool connect_button_enabled = true;

  std::string nickname = "你的名字";  // `姓名编辑框` as last reported; `姓名标签` shows it

  bool operator==(const SessionState&) const = default;
};

// The values of SessionState, one bit each, for the update's list of what a step wrote.
enum class SessionField : std::uint32_t {
  kSongCaption = 1u << 0,
  kCoverUrl = 1u << 1,
  kLyricsLine = 1u << 2,
  kProgressWidth = 1u << 3,
  kTimeText = 1u << 4,
  kSkipButton = 1u << 5,
  kQueueMirror = 1u << 6,
  kRequestControls = 1u << 7,
  kLoadMore = 1u << 8,
  kVoiceButton = 1u << 9,
  kRequestInterval = 1u << 10,
  kStatusText = 1u << 11,
  kWelcomeText = 1u << 12,
  kConnectionStatus = 1u << 13,
  kConnectButton = 1u << 14,  // caption and enabled state
  kNickname = 1u << 15,
};

// A set of SessionFields.
class FieldSet {
 public:
  void Add(SessionField field) { bits_ |= static_cast<std::uint32_t>(field); }
  bool Has(SessionField field) const { return (bits_ & static_cast<std::uint32_t>(field)) != 0; }
  bool empty() const { return bits_ == 0; }
  std::uint32_t bits() const { return bits_; }

 private:
  std::uint32_t bits_ = 0;
};

// One change of QueueMirror, so that a view can edit its list instead of rebuilding it.
struct QueueEdit {
  enum class Kind { kCleared, kAppended, kRemoved } kind;
  std::size_t row = 0;  // kAppended: the new row's index; kRemoved: the index it had
  bool operator==(const QueueEdit&) const = default;
};

// A notification-area balloon to show.
struct Balloon {
  std::string title;
  std::string text;
  int icon_kind = 1;  // 1: information
  int timeout_ms = 5000;
  bool operator==(const Balloon&) const = default;
};

// A modal message box with the error icon.
struct ErrorBox {
  std::string title;
  std::string text;
  bool operator==(const ErrorBox&) const = default;
};

// How the connection panel `设置外形框` moves.
enum class PanelMove {
  kNone,
  kSlideClosedIfOpen,  // slide to 580 when it stands at 396
  kSlideOpenIfClosed,  // slide to 396 when it stands at 580
  kSnapOpen,           // set to 396 at once, wherever it stands
  kSnapClosedIfOpen,   // set to 580 at once when it stands at 396
};

// What one step of the session did.
struct SessionUpdate {
  // Values the step wrote (also when the value stayed the same: another part of the
  // window may have changed the control since). Each changed control shows the new value.
  FieldSet changed;
  // QueueMirror's edits in order (only when kQueueMirror is in `changed`).
  std::vector<QueueEdit> queue_edits;
  std::optional<Balloon> balloon;
  std::optional<ErrorBox> error_box;
  PanelMove panel = PanelMove::kNone;
  // The server has told this client to end ("卸载").
  bool exit_requested = false;

  bool empty() const {
    return changed.empty() && !balloon && !error_box && panel == PanelMove::kNone &&
           !exit_requested;
  }
};

}  // namespace quilla::client
