#pragma once
// Noticing changes in the music folder with inotify: one watch per folder, new folders
// watched as they appear. It only tells that something changed; the scanner finds out
// what (a rescan of unchanged files costs one stat each).
//
// Not thread-safe: the library's scanner thread owns it and polls its descriptor.

#include <string>
#include <unordered_map>

namespace quilla::server::library {

class FolderWatcher {
 public:
  FolderWatcher();
  ~FolderWatcher();
  FolderWatcher(const FolderWatcher&) = delete;
  FolderWatcher& operator=(const FolderWatcher&) = delete;

  // Watches `folder` and every folder below it (hidden ones left out), dropping earlier
  // watches. False when inotify is unavailable or the folder cannot be watched; folders
  // beyond the system's watch limit are left unwatched (a rescan still finds changes in
  // them).
  bool Watch(const std::string& folder);

  // The descriptor to poll for reading; -1 when inotify is unavailable.
  int fd() const { return fd_; }

  // Reads the pending events without blocking; true when any of them may change the
  // index (a file written, moved, removed; a folder added or removed).
  bool ReadEvents();

 private:
  void AddTree(const std::string& folder);
  int fd_ = -1;
  std::string root_;
  std::unordered_map<int, std::string> folders_;  // watch descriptor -> folder path
};

}  // namespace quilla::server::library
