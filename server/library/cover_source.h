#pragma once
// A song's cover picture: embedded in the file, else a picture beside it, else the
// default cover, so every cover address the library hands out shows a picture.

#include <string>
#include <string_view>

#include "server/library/song.h"

namespace quilla::server::library {

struct CoverPicture {
  std::string bytes;
  std::string content_type;  // "image/jpeg", "image/png", ...
};

// The media type of picture bytes by their signature (JPEG, PNG, GIF, WebP, BMP); "" when
// the bytes are none of these. Pure.
std::string PictureContentType(std::string_view bytes);

// The embedded picture when the index saw one; else, in the song's folder,
// "<stem>.jpg/.jpeg/.png", then "cover", "folder" or "front" with those extensions (any
// of the usual letter cases); else the default cover. A candidate that is not a picture
// or is larger than 16 MiB is passed over. Thread-safe; reads the disk.
CoverPicture FindCover(const LibrarySong& song);

}  // namespace quilla::server::library
