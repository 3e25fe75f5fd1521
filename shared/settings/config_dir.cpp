#include "settings/config_dir.h"

#include <unistd.h>

#include <cstdlib>

namespace quilla::settings {

std::filesystem::path DefaultConfigDir(const std::filesystem::path& program_dir) {
  if (!program_dir.empty() && access(program_dir.c_str(), W_OK) == 0) return program_dir;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
    return std::filesystem::path(xdg) / "quilla";
  }
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home != nullptr ? home : ".") / ".config" / "quilla";
}

}  // namespace quilla::settings
