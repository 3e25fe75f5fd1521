#include "server/voice/announcement_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "web/text_helpers.h"

namespace quilla::server {
namespace {

// Attempts before giving up; a clash of 8 random characters is already rare.
constexpr int kNameAttempts = 16;

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t written = ::write(fd, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

std::optional<std::filesystem::path> WriteAnnouncementFile(std::string_view audio,
                                                           const std::filesystem::path& directory) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::filesystem::path file = directory / ("baidu_yuyin_" + web::RandomText(8) + ".mp3");
    // O_EXCL with O_CREAT also refuses a symbolic link planted under the name in a
    // shared temporary directory.
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return std::nullopt;
    }
    const bool written = WriteAll(fd, audio);
    const bool closed = ::close(fd) == 0;
    if (written && closed) return file;
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace quilla::server
