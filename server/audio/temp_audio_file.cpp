#include "server/audio/temp_audio_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

namespace quilla::server::audio_internal {

std::optional<TempAudioFile> TempAudioFile::Write(std::string_view bytes) {
  std::error_code error;
  const std::filesystem::path directory = std::filesystem::temp_directory_path(error);
  if (error) return std::nullopt;
  std::string name =
      (directory / ("quilla_stream_" + std::to_string(::getpid()) + "_XXXXXX")).string();
  const int fd = ::mkstemp(name.data());  // mode 0600
  if (fd < 0) return std::nullopt;
  TempAudioFile file{std::filesystem::path(name)};
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      ::close(fd);
      return std::nullopt;  // the file is removed by `file`
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  if (::close(fd) != 0) return std::nullopt;
  return file;
}

TempAudioFile::~TempAudioFile() {
  if (path_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

TempAudioFile::TempAudioFile(TempAudioFile&& other) noexcept : path_(std::move(other.path_)) {
  other.path_.clear();
}

TempAudioFile& TempAudioFile::operator=(TempAudioFile&& other) noexcept {
  if (this != &other) {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove(path_, ignored);
    path_ = std::move(other.path_);
    other.path_.clear();
  }
  return *this;
}

}  // namespace quilla::server::audio_internal
