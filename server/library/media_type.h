#pragma once

#include <string>
#include <string_view>

namespace quilla::server::library {

// The Content-Type of an indexed audio file by its extension (any letter case):
// audio/mpeg, audio/flac, audio/ogg, audio/mp4, audio/wav; application/octet-stream for
// anything else. Pure.
std::string MediaContentType(std::string_view path);

}  // namespace quilla::server::library
