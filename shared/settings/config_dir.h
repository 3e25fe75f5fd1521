#pragma once
// Where a program keeps its settings files.

#include <filesystem>

namespace quilla::settings {

// The program's own directory when it is writable (the files have always lain beside the
// executable), otherwise $XDG_CONFIG_HOME/quilla (or ~/.config/quilla): an installed
// program's directory is read-only for its users. Does not create the directory.
std::filesystem::path DefaultConfigDir(const std::filesystem::path& program_dir);

}  // namespace quilla::settings
