#include "client/extras/part_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>

namespace quilla::client {
namespace {

std::string RandomLetters(std::size_t count) {
  static constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 generator{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, kLetters.size() - 1);
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += kLetters[pick(generator)];
  return out;
}

}  // namespace

PartFile::PartFile(const std::filesystem::path& folder, std::uint64_t max_bytes)
    : max_bytes_(max_bytes) {
  for (int attempt = 0; attempt < 8 && fd_ < 0; ++attempt) {
    temp_ = folder / (".quilla-" + RandomLetters(12) + ".part");
    // 0666 through the umask: the finished song gets the permissions of any new file.
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) temp_.clear();
}

PartFile::~PartFile() {
  Discard();
}

void PartFile::Discard() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
  ::unlink(temp_.c_str());
}

void PartFile::Restart() {
  if (fd_ < 0) return;
  size_ = 0;
  if (::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0) write_failed_ = true;
}

bool PartFile::Write(std::string_view bytes) {
  if (fd_ < 0 || write_failed_) return false;
  if (bytes.size() > max_bytes_ - size_) {
    too_large_ = true;
    return false;
  }
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      write_failed_ = true;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
    size_ += static_cast<std::uint64_t>(written);
  }
  return true;
}

bool PartFile::CommitAs(const std::filesystem::path& target) {
  if (fd_ < 0 || write_failed_ || too_large_) {
    Discard();
    return false;
  }
  // On disk before the rename: after a crash the name holds the old song or the new one.
  const bool synced = ::fsync(fd_) == 0;
  const bool closed = ::close(fd_) == 0;
  fd_ = -1;
  if (synced && closed && ::rename(temp_.c_str(), target.c_str()) == 0) return true;
  ::unlink(temp_.c_str());
  return false;
}

}  // namespace quilla::client
