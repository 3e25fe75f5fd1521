#include "server/library/small_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quilla::server::library {

std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t max_bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  std::optional<std::string> result;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
      static_cast<std::size_t>(info.st_size) <= max_bytes) {
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    // A file that shrank while we read it gives what it still had.
    bytes.resize(done);
    result = std::move(bytes);
  }
  ::close(fd);
  return result;
}

}  // namespace quilla::server::library
