#pragma once
// The avatar as the left strip shows it: a picture cut to a circle.

#include <optional>
#include <string>
#include <string_view>

namespace quilla::client {

// MakeRoundAvatar: decodes `picture` (any format Qt reads: PNG, JPEG, GIF, BMP, ...,
// turned upright as its EXIF orientation says), takes its top-left square with the side of
// the shorter edge, cuts the largest circle out of that square and returns it as PNG bytes:
// the circle opaque where the picture is, the corners fully transparent. std::nullopt when
// the bytes are no picture that can be decoded (empty, truncated, unknown format, or too
// large to decode). Thread-safe (reentrant), so it runs on a worker; blocks for the decode.
std::optional<std::string> MakeRoundAvatar(std::string_view picture);

}  // namespace quilla::client
