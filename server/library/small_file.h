#pragma once
// Reading a small file whole, with a size limit, for lyrics and cover pictures.

#include <optional>
#include <string>

namespace quilla::server::library {

// The bytes of the regular file at `path`; nullopt when it is missing, not a regular
// file, unreadable or larger than `max_bytes`. Thread-safe; blocks on the disk.
std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t max_bytes);

}  // namespace quilla::server::library
