#include "server/library/music_folder_choice.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "server/library/demo_library.h"
#include "server/library/file_names.h"

namespace quilla::server::library {
namespace {

namespace fs = std::filesystem;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The value of XDG_MUSIC_DIR in a user-dirs.dirs file: `XDG_MUSIC_DIR="$HOME/Music"`.
// nullopt when the file or the line is missing.
std::optional<std::string> MusicDirEntry(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    const auto start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, 14, "XDG_MUSIC_DIR=") != 0) continue;
    std::string value = line.substr(start + 14);
    while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    return value;
  }
  return std::nullopt;
}

}  // namespace

std::string DesktopMusicFolder() {
  std::string home = Environment("HOME");
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  if (home.empty()) return "";
  std::string config = Environment("XDG_CONFIG_HOME");
  if (config.empty()) config = home + "/.config";
  const std::optional<std::string> entry = MusicDirEntry(fs::path(config) / "user-dirs.dirs");
  if (!entry) return home + "/Music";
  std::string folder = *entry;
  if (folder.rfind("$HOME", 0) == 0) folder = home + folder.substr(5);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (folder.empty() || folder.front() != '/' || folder == home) return "";
  return folder;
}

bool FolderHoldsAudio(const std::string& folder, std::size_t max_entries) {
  std::error_code error;
  if (folder.empty() || !fs::is_directory(folder, error)) return false;
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
  std::size_t seen = 0;
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (++seen > max_entries) return false;
    const fs::path& path = it->path();
    const bool hidden = path.filename().string().starts_with(".");
    // An entry that cannot be looked at is passed over; the walk goes on.
    std::error_code entry_error;
    if (it->is_directory(entry_error)) {
      if (hidden || it->is_symlink(entry_error)) it.disable_recursion_pending();
      continue;
    }
    if (!hidden && IsAudioFileName(path.string()) && it->is_regular_file(entry_error)) return true;
  }
  return false;
}

MusicFolderChoice ChooseMusicFolder(const std::string& configured, const std::string& desktop_music,
                                    const std::string& demo) {
  if (!configured.empty()) return {configured, MusicFolderSource::kConfigured};
  if (FolderHoldsAudio(desktop_music)) return {desktop_music, MusicFolderSource::kDesktopMusic};
  std::error_code error;
  if (!demo.empty() && fs::is_directory(demo, error)) return {demo, MusicFolderSource::kDemo};
  return {desktop_music, MusicFolderSource::kDesktopMusic};
}

MusicFolderChoice ChooseMusicFolder(const std::string& configured) {
  if (!configured.empty()) return {configured, MusicFolderSource::kConfigured};
  return ChooseMusicFolder(configured, DesktopMusicFolder(), DemoLibraryFolder());
}

std::string MusicFolderLogLine(const MusicFolderChoice& choice) {
  switch (choice.source) {
    case MusicFolderSource::kConfigured:
      return "曲库：音乐文件夹 " + choice.folder;
    case MusicFolderSource::kDesktopMusic:
      return "曲库：桌面的音乐文件夹 " + choice.folder +
             "（要换一个文件夹，请在 sys.ini 的 [Library] 设置 Folder，或用 --library 启动）";
    case MusicFolderSource::kDemo:
      return "曲库：没有设置音乐文件夹，桌面的音乐文件夹里也没有歌曲，现在播放的是演示曲库（" +
             choice.folder +
             "）。要播放自己的音乐，请在设置里选择音乐文件夹，或在 sys.ini 的 [Library] "
             "设置 Folder=文件夹，或用 --library 文件夹 启动服务端";
  }
  return "";
}

std::string MusicFolderWindowNote(const MusicFolderChoice& choice) {
  return choice.source == MusicFolderSource::kDemo ? "这是演示曲库：请选择你自己的音乐文件夹" : "";
}

}  // namespace quilla::server::library
