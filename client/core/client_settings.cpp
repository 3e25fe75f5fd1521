#include "client/core/client_settings.h"

#include <system_error>

#include "settings/ini_file.h"

namespace quilla::client {
namespace {

using settings::IniDocument;

constexpr std::string_view kProfileSection = "Wind";
constexpr std::string_view kFontSection = "GECI";
constexpr std::string_view kColorSection = "YANSE";

// The document of `file`, or std::nullopt when the file does not exist or cannot be read.
std::optional<IniDocument> LoadExisting(const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return std::nullopt;
  IniDocument document;
  if (!document.Load(file)) return std::nullopt;
  return document;
}

// "真" / "假" as stored; std::nullopt for anything else.
std::optional<bool> CheckBoxState(std::string_view text) {
  if (text == settings::kTrue) return true;
  if (text == settings::kFalse) return false;
  return std::nullopt;
}

// Edits a file in memory and saves it in one atomic write, keeping its other lines.
class FileEdit {
 public:
  FileEdit(std::filesystem::path file, std::string_view section)
      : file_(std::move(file)), section_(section) {
    // A missing file starts empty; one that exists but cannot be read is not replaced
    // (its other lines would be lost).
    ok_ = document_.Load(file_);
  }
  void Set(std::string_view key, std::string_view value) {
    ok_ = document_.Set(section_, key, value) && ok_;
  }
  void SetBool(std::string_view key, bool value) { Set(key, settings::BoolText(value)); }
  void SetBool(std::string_view key, std::optional<bool> value) {
    if (value) SetBool(key, *value);
  }
  void SetInt(std::string_view key, std::int64_t value) { Set(key, std::to_string(value)); }
  bool Save() {
    std::error_code ec;
    std::filesystem::create_directories(file_.parent_path(), ec);
    return ok_ && document_.Save(file_);
  }

 private:
  std::filesystem::path file_;
  std::string_view section_;
  IniDocument document_;
  bool ok_ = true;
};

// The keys that pz.ini and e.ini share, in their order.
void SetProfileKeys(FileEdit& edit, const ProfileSettings& profile) {
  edit.Set("IP", profile.ip);
  edit.Set("端口", profile.port);
  edit.Set("用户名", profile.nickname);
  edit.Set("头像", profile.avatar_url);
  edit.Set("公告", profile.notice);
  edit.SetBool("是否弹窗", profile.popups);
}

}  // namespace

StartupSettings ClientSettings::LoadStartup() const {
  return {LoadProfile(), LoadLyricsFont(), LoadLyricsColors()};
}

std::optional<ProfileSettings> ClientSettings::LoadProfile() const {
  auto file = LoadExisting(ProfileFile());
  if (!file) return std::nullopt;
  auto get = [&](std::string_view key) { return file->GetOr(kProfileSection, key); };
  ProfileSettings p;
  p.ip = get("IP");
  p.port = get("端口");
  p.nickname = get("用户名");
  p.avatar_url = get("头像");
  p.notice = get("公告");
  p.popups = CheckBoxState(get("是否弹窗"));
  p.auto_connect = CheckBoxState(get("是否打开启动"));
  p.show_lyrics = CheckBoxState(get("是否显示歌词"));
  p.lyrics_locked = CheckBoxState(get("锁定歌词"));
  return p;
}

std::optional<LyricsFontSettings> ClientSettings::LoadLyricsFont() const {
  auto file = LoadExisting(LyricsFontFile());
  if (!file) return std::nullopt;
  auto get = [&](std::string_view key) { return file->GetOr(kFontSection, key); };
  LyricsFontSettings f;
  f.font_index = settings::TextToInt(get("字体型号"));
  f.size_index = settings::TextToInt(get("字体大小"));
  f.bold = settings::IsTrueText(get("字体加粗"));
  f.italic = settings::IsTrueText(get("字体选中"));
  f.underline = settings::IsTrueText(get("字体下划线"));
  return f;
}

std::optional<LyricsColorSettings> ClientSettings::LoadLyricsColors() const {
  auto file = LoadExisting(LyricsColorFile());
  if (!file) return std::nullopt;
  auto get = [&](std::string_view key) {
    return settings::TextToInt(file->GetOr(kColorSection, key));
  };
  LyricsColorSettings c;
  c.text_color1 = get("文字颜色1");
  c.text_color2 = get("文字颜色2");
  c.outline_color = get("文字颜色3");
  c.gradient_index = get("文字渐变");
  return c;
}

std::string ClientSettings::LoadSearchServiceAddress() const {
  return settings::ReadProfileString(ProfileFile(), "Services", "Search");
}

bool ClientSettings::SaveProfile(const ProfileSettings& profile) const {
  FileEdit edit(ProfileFile(), kProfileSection);
  SetProfileKeys(edit, profile);
  edit.SetBool("是否打开启动", profile.auto_connect);
  edit.SetBool("是否显示歌词", profile.show_lyrics);
  edit.SetBool("锁定歌词", profile.lyrics_locked);
  return edit.Save();
}

bool ClientSettings::SaveExitProfile(const ProfileSettings& profile) const {
  FileEdit edit(ExitProfileFile(), kProfileSection);
  SetProfileKeys(edit, profile);
  edit.SetBool("昵称是否显示", profile.auto_connect);
  return edit.Save();
}

bool ClientSettings::SaveLyricsFont(const LyricsFontSettings& font) const {
  FileEdit edit(LyricsFontFile(), kFontSection);
  edit.SetInt("字体型号", font.font_index);
  edit.SetInt("字体大小", font.size_index);
  edit.SetBool("字体加粗", font.bold);
  edit.SetBool("字体选中", font.italic);
  edit.SetBool("字体下划线", font.underline);
  return edit.Save();
}

bool ClientSettings::SaveLyricsColors(const LyricsColorSettings& colors) const {
  FileEdit edit(LyricsColorFile(), kColorSection);
  edit.SetInt("文字颜色1", colors.text_color1);
  edit.SetInt("文字颜色2", colors.text_color2);
  edit.SetInt("文字颜色3", colors.outline_color);
  edit.SetInt("文字渐变", colors.gradient_index);
  return edit.Save();
}

}  // namespace quilla::client
