#include "server/library/media_type.h"

#include <cctype>

namespace quilla::server::library {

std::string MediaContentType(std::string_view path) {
  const auto dot = path.rfind('.');
  std::string extension(dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == "mp3") return "audio/mpeg";
  if (extension == "flac") return "audio/flac";
  if (extension == "ogg" || extension == "oga" || extension == "opus") return "audio/ogg";
  if (extension == "m4a") return "audio/mp4";
  if (extension == "wav") return "audio/wav";
  return "application/octet-stream";
}

}  // namespace quilla::server::library
