#pragma once
// Where downloaded songs go: the folder "下载的歌曲" on the user's desktop.

#include <filesystem>
#include <string_view>

namespace quilla::client {

inline constexpr std::string_view kDownloadFolderName = "下载的歌曲";

// The XDG desktop folder of the user whose home is `home`: XDG_DESKTOP_DIR of
// `config_home`/user-dirs.dirs ("$HOME/..." or an absolute path), else home/Desktop; when
// that is no existing folder, `home` itself. `config_home` is $XDG_CONFIG_HOME, or
// home/.config when that is empty or not absolute. Reads the file; thread-safe.
std::filesystem::path DesktopFolderOf(const std::filesystem::path& home,
                                      const std::filesystem::path& config_home);

// DesktopFolderOf for this process's user ($HOME, else the password database;
// $XDG_CONFIG_HOME). Thread-safe.
std::filesystem::path DesktopFolder();

}  // namespace quilla::client
