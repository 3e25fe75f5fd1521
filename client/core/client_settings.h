#pragma once
// The client's settings files: pz.ini (connection and profile), gcsz.ini (lyrics font),
// yssz.ini (lyrics colours), and e.ini (the profile as saved when the window is closed
// another way). GBK private-profile files in one folder, read and written through
// quilla_settings (every save is one atomic write of the whole file).
//
// Reading rules: a file that does not exist (or cannot be read) gives std::nullopt, and
// the window keeps its designed state for everything that file holds. In a file that
// exists, a missing key reads as empty text, and empty text read as a number is 0 (item 0,
// colour 0). Saving keeps every line of the file that it does not set.
//
// All functions block on file I/O; an object may be used from any one thread at a time.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quilla::client {

// The items behind the stored indexes.
inline constexpr std::string_view kLyricsFontNames[] = {"黑体", "楷体", "微软雅黑"};
inline constexpr int kLyricsFontSizes[] = {30, 40, 45, 50, 55, 60};
inline constexpr std::string_view kLyricsGradients[] = {"无渐变", "两色渐变", "三色渐变"};

// Section "Wind" of pz.ini (and of e.ini).
struct ProfileSettings {
  std::string ip;          // "IP": dotted address
  std::string port;        // "端口": decimal text, as typed
  std::string nickname;    // "用户名"
  std::string avatar_url;  // "头像"
  std::string notice;      // "公告"
  // "是否弹窗", "是否打开启动", "是否显示歌词": true for "真", false for "假", std::nullopt for
  // any other stored text (the check box then keeps its designed state). Saving writes
  // "真" or "假", and leaves the key as the file has it when the value is std::nullopt.
  std::optional<bool> popups;
  std::optional<bool> auto_connect;
  std::optional<bool> show_lyrics;
  // "锁定歌词": the desktop lyrics line ignores the mouse. Our own key, written after the
  // others; older files lack it (std::nullopt: the check box keeps its designed state).
  std::optional<bool> lyrics_locked;
  bool operator==(const ProfileSettings&) const = default;
};

// Section "GECI" of gcsz.ini. Indexes select items of kLyricsFontNames and
// kLyricsFontSizes; they are stored as read, also when out of range.
struct LyricsFontSettings {
  int font_index = 0;      // "字体型号"
  int size_index = 0;      // "字体大小"
  bool bold = false;       // "字体加粗"
  bool italic = false;     // "字体选中" (the italic flag has always been stored under this key)
  bool underline = false;  // "字体下划线"
  bool operator==(const LyricsFontSettings&) const = default;
};

// Section "YANSE" of yssz.ini. Colours are Windows colour values (red in the low byte).
struct LyricsColorSettings {
  std::int32_t text_color1 = 0;    // "文字颜色1"
  std::int32_t text_color2 = 0;    // "文字颜色2"
  std::int32_t outline_color = 0;  // "文字颜色3"
  int gradient_index = 0;          // "文字渐变": item of kLyricsGradients
  bool operator==(const LyricsColorSettings&) const = default;
};

// Everything read at start-up; a std::nullopt member is a file that does not exist.
struct StartupSettings {
  std::optional<ProfileSettings> profile;
  std::optional<LyricsFontSettings> lyrics_font;
  std::optional<LyricsColorSettings> lyrics_colors;
};

class ClientSettings {
 public:
  // `dir` is the settings folder; it is created on the first save when missing.
  explicit ClientSettings(std::filesystem::path dir) : dir_(std::move(dir)) {}

  const std::filesystem::path& dir() const { return dir_; }
  std::filesystem::path ProfileFile() const { return dir_ / "pz.ini"; }
  std::filesystem::path LyricsFontFile() const { return dir_ / "gcsz.ini"; }
  std::filesystem::path LyricsColorFile() const { return dir_ / "yssz.ini"; }
  std::filesystem::path ExitProfileFile() const { return dir_ / "e.ini"; }
  // The request history (list-view dump), saved with pz.ini, and its copy saved with e.ini.
  std::filesystem::path RequestHistoryFile() const { return dir_ / "dgjl.ini"; }
  std::filesystem::path ExitRequestHistoryFile() const { return dir_ / "gq.ini"; }

  StartupSettings LoadStartup() const;

  std::optional<ProfileSettings> LoadProfile() const;
  std::optional<LyricsFontSettings> LoadLyricsFont() const;
  std::optional<LyricsColorSettings> LoadLyricsColors() const;

  // Each writes its file's keys in the order the window has always written them; false
  // when the folder cannot be created or the file cannot be written (the old file then
  // stays as it was).
  bool SaveProfile(const ProfileSettings& profile) const;
  bool SaveLyricsFont(const LyricsFontSettings& font) const;
  bool SaveLyricsColors(const LyricsColorSettings& colors) const;
  // pz.ini section "Services", key "Search": the base address of the music search
  // service (scheme, host, optional port), as written; empty when the file or the key is
  // missing. Saving the profile keeps the key.
  std::string LoadSearchServiceAddress() const;

  // e.ini: the keys of pz.ini up to "是否弹窗", then the auto-connect state under the key
  // "昵称是否显示"; show_lyrics is not part of it. Nothing reads e.ini back.
  bool SaveExitProfile(const ProfileSettings& profile) const;

 private:
  std::filesystem::path dir_;
};

}  // namespace quilla::client
