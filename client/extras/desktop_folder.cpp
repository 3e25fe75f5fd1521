#include "client/extras/desktop_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "web/text_helpers.h"

namespace quilla::client {
namespace {

std::string_view Trim(std::string_view text) {
  return web::TrimBlanks(text, " \t\r");
}

// The value of XDG_DESKTOP_DIR="..." in a user-dirs.dirs file, as a path; std::nullopt
// when the file, the line or a valid value is missing. The file's format allows only
// "$HOME/relative" (or "$HOME") and absolute paths, in double quotes, with backslash
// escapes.
std::optional<std::filesystem::path> ConfiguredDesktop(const std::filesystem::path& file,
                                                       const std::filesystem::path& home) {
  std::ifstream in(file);
  std::optional<std::filesystem::path> found;
  for (std::string line; std::getline(in, line);) {
    std::string_view text = Trim(line);
    constexpr std::string_view kKey = "XDG_DESKTOP_DIR";
    if (!text.starts_with(kKey)) continue;
    text = Trim(text.substr(kKey.size()));
    if (!text.starts_with('=')) continue;
    text = Trim(text.substr(1));
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') continue;
    text = text.substr(1, text.size() - 2);
    std::string value;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\\' && i + 1 < text.size()) ++i;
      value += text[i];
    }
    constexpr std::string_view kHome = "$HOME";
    if (value == kHome) {
      found = home;
    } else if (value.starts_with("$HOME/")) {
      found = home / value.substr(kHome.size() + 1);
    } else if (value.starts_with('/')) {
      found = std::filesystem::path(value);
    }
    // The last valid line wins, as for a shell that sources the file.
  }
  return found;
}

std::filesystem::path HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* result = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 &&
      result != nullptr && result->pw_dir != nullptr) {
    return result->pw_dir;
  }
  return "/";
}

}  // namespace

std::filesystem::path DesktopFolderOf(const std::filesystem::path& home,
                                      const std::filesystem::path& config_home) {
  const std::filesystem::path config = config_home.is_absolute() ? config_home : home / ".config";
  const std::filesystem::path desktop =
      ConfiguredDesktop(config / "user-dirs.dirs", home).value_or(home / "Desktop");
  std::error_code error;
  return std::filesystem::is_directory(desktop, error) ? desktop : home;
}

std::filesystem::path DesktopFolder() {
  const char* config_home = std::getenv("XDG_CONFIG_HOME");
  return DesktopFolderOf(HomeFolder(), config_home != nullptr ? config_home : "");
}

}  // namespace quilla::client
