#include "server/library/cover_source.h"

#include <filesystem>
#include <optional>
#include <vector>

#include "server/library/default_cover.h"
#include "server/library/small_file.h"
#include "server/library/tag_reader.h"

namespace quilla::server::library {
namespace {

constexpr std::size_t kMaxPictureBytes = 16 * 1024 * 1024;

std::optional<CoverPicture> AsPicture(std::optional<std::string> bytes) {
  if (!bytes) return std::nullopt;
  std::string type = PictureContentType(*bytes);
  if (type.empty()) return std::nullopt;
  return CoverPicture{std::move(*bytes), std::move(type)};
}

std::optional<CoverPicture> PictureBeside(const LibrarySong& song) {
  const std::filesystem::path file(song.path);
  const std::filesystem::path folder = file.parent_path();
  std::vector<std::string> names;
  for (const char* extension : {".jpg", ".jpeg", ".png", ".JPG", ".JPEG", ".PNG"}) {
    names.push_back(file.stem().string() + extension);
  }
  for (const char* base :
       {"cover", "Cover", "COVER", "folder", "Folder", "FOLDER", "front", "Front", "FRONT"}) {
    for (const char* extension : {".jpg", ".jpeg", ".png", ".JPG", ".JPEG", ".PNG"}) {
      names.push_back(std::string(base) + extension);
    }
  }
  for (const std::string& name : names) {
    if (auto picture = AsPicture(ReadSmallFile((folder / name).string(), kMaxPictureBytes)))
      return picture;
  }
  return std::nullopt;
}

}  // namespace

std::string PictureContentType(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xFF\xD8\xFF") return "image/jpeg";
  if (bytes.substr(0, 8) == "\x89PNG\r\n\x1A\n") return "image/png";
  if (bytes.substr(0, 4) == "GIF8") return "image/gif";
  if (bytes.size() >= 12 && bytes.substr(0, 4) == "RIFF" && bytes.substr(8, 4) == "WEBP")
    return "image/webp";
  if (bytes.size() >= 26 && bytes.substr(0, 2) == "BM") return "image/bmp";
  return "";
}

CoverPicture FindCover(const LibrarySong& song) {
  if (song.embedded_cover) {
    if (auto picture = AsPicture(ReadEmbeddedCover(song.path))) return std::move(*picture);
  }
  if (auto picture = PictureBeside(song)) return std::move(*picture);
  return {std::string(DefaultCoverPng()), "image/png"};
}

}  // namespace quilla::server::library
