#include "server/library/folder_watcher.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace quilla::server::library {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kMask = IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF |
                                IN_ONLYDIR;

bool Hidden(const std::string& name) {
  return !name.empty() && name.front() == '.';
}

}  // namespace

FolderWatcher::FolderWatcher() : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FolderWatcher::~FolderWatcher() {
  if (fd_ >= 0) ::close(fd_);
}

bool FolderWatcher::Watch(const std::string& folder) {
  if (fd_ < 0) return false;
  for (const auto& [wd, path] : folders_) inotify_rm_watch(fd_, wd);
  folders_.clear();
  root_ = folder;
  AddTree(folder);
  return !folders_.empty();
}

void FolderWatcher::AddTree(const std::string& folder) {
  const int wd = inotify_add_watch(fd_, folder.c_str(), kMask);
  if (wd < 0) return;  // gone again, no permission, or the watch limit reached
  folders_[wd] = folder;
  std::error_code error;
  for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
       !error && it != fs::directory_iterator(); it.increment(error)) {
    std::error_code type_error;
    if (it->is_directory(type_error) && !it->is_symlink(type_error) &&
        !Hidden(it->path().filename().string()))
      AddTree(it->path().string());
  }
}

bool FolderWatcher::ReadEvents() {
  if (fd_ < 0) return false;
  bool relevant = false;
  alignas(inotify_event) char buffer[16 * 1024];
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n <= 0) break;  // EAGAIN: nothing more for now
    for (ssize_t offset = 0; offset < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
      offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      const std::string name = event->len ? event->name : "";
      if (event->mask & IN_Q_OVERFLOW) {
        // Events were lost: watch everything anew and let the scan sort it out.
        Watch(root_);
        relevant = true;
        continue;
      }
      if (event->mask & IN_IGNORED) {
        folders_.erase(event->wd);
        continue;
      }
      if (Hidden(name)) continue;
      relevant = true;
      const auto folder = folders_.find(event->wd);
      if ((event->mask & IN_ISDIR) && (event->mask & (IN_CREATE | IN_MOVED_TO)) &&
          folder != folders_.end())
        AddTree(folder->second + "/" + name);
    }
  }
  return relevant;
}

}  // namespace quilla::server::library
