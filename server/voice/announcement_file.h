#pragma once
// The temporary file that holds one announcement's audio while the player opens it.

#include <filesystem>
#include <optional>
#include <string_view>

namespace quilla::server {

// Writes `audio` to a new file "baidu_yuyin_" + 8 random letters and digits + ".mp3" in
// `directory` (the temporary directory in production). The file is created exclusively,
// never through an existing name or a link that someone else placed there; on a name
// clash another name is drawn. Returns the path, or nullopt when no file could be
// created or written (a partial file is removed).
// Blocks on file I/O; thread-safe.
std::optional<std::filesystem::path> WriteAnnouncementFile(std::string_view audio,
                                                           const std::filesystem::path& directory);

}  // namespace quilla::server
