#pragma once
// The engine's tables and the texts of the controls that show them. The window and the
// console render these; only the engine changes them.

#include <cstdint>
#include <string>
#include <vector>

#include "server/app/outbox.h"

namespace quilla::server {

// One row of the OnlineUserList ("超级列表框1"), columns in their display order.
struct OnlineUser {
  std::string name;        // "用户"
  std::string ip;          // "IP地址", as the client reported it
  ClientHandle handle = 0; // "端口句柄"
  std::string login_time;  // "登陆时间", e.g. "2024-3-5 9:7:3"
  std::string state;       // "状态": "正常点歌" or "禁止点歌"
};

// One row of the RequestQueue ("已点歌曲列表"). `id` is the engine's own key for the row so
// that a continuation can remove exactly the row it played.
struct QueuedSong {
  std::uint64_t id = 0;
  std::string requester;  // "点歌用户"
  std::string title;      // "歌曲名称"
  std::string singer;     // "歌手名称"
  std::string url;        // "歌曲连接"
  std::string cover_url;  // "歌曲图片"
  std::string lyrics;     // "歌词"
};

// The "正在播放" group and the banner.
struct NowPlaying {
  std::string requester;                         // hidden "点歌人"
  std::string song_text = "当前暂无播放歌曲";     // "歌曲名称"
  std::string cover_url;                         // hidden "歌曲封面地址"
  std::string picture_url;                       // what "Pic" shows; empty: the default picture
  std::string banner = "欢迎使用本软件！";        // "透明标签2"
  std::string banner_edit;                       // hidden "编辑框1"
  std::string group_caption = "正在播放";         // caption of "分组框3"
};

// What the progress ticks write.
struct ProgressDisplay {
  int slider = 0;                                 // "歌曲进度", 0..1000
  std::string time_label = "00:00/00:00";         // "歌曲时间"
  std::string lyrics_label = "当前暂无歌词";       // "歌词文本"
  std::string progress_text = "*";                // hidden "歌曲时间进度"
  std::string time_text = "*";                    // hidden "歌曲时间操控"
};

// Operator controls whose state the engine reads.
struct ControlState {
  bool running = false;           // listener started: decides the enabled states
  std::string interval_text = "1";  // "时间间隔设置"
  bool allow_skip = false;        // "切歌选择框"
  bool random_play = false;       // "随机播放选择框"
  bool voice_enabled = false;     // "语音开启选择框"
  int voice = 0;                  // "组合框1" index, the `Voice`
  int channel_item = -1;          // "组合框2" index, -1 before the first selection
  bool paused = false;            // true: "继续播放" shown, "暂停播放" hidden
  std::string lan_ip;             // shown after "当前局域网IP："
};

// The four scheduler timers, in the order of their names.
enum class TimerId : int {
  kRequest = 0,        // "时钟1": RequestTick
  kProgress = 1,       // "time": ProgressTick in request mode
  kRadioProgress = 2,  // "随机播放时钟": ProgressTick in radio mode
  kRadioCheck = 3,     // "点播歌曲播放": RadioCheckTick
};
inline constexpr int kTimerCount = 4;

enum class ProgressMode { kRequest, kRadio };

}  // namespace quilla::server
