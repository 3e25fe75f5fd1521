#pragma once
// Walking the music folder and bringing the index up to date: new and changed files
// (size or modification time) are read with TagLib, unchanged ones are taken from the
// index, files that went away are removed.
//
// Not thread-safe: the library's scanner thread owns it (and the store).

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "server/library/index_store.h"
#include "server/library/song.h"

namespace quilla::server::library {

struct ScanReport {
  std::string folder;
  std::size_t songs = 0;        // indexed after the scan
  std::size_t read = 0;         // files whose tags were read (new or changed)
  std::size_t unchanged = 0;    // files taken from the index as they were
  std::size_t removed = 0;      // songs whose files went away
  bool folder_missing = false;  // the folder is not there: the index was left alone
  bool cancelled = false;       // stopped part-way; nothing was removed
  std::chrono::milliseconds took{0};
};

class FolderScanner {
 public:
  // Takes the songs the store holds as the starting point.
  explicit FolderScanner(IndexStore& store);

  // The indexed songs (any order).
  std::vector<LibrarySong> Songs() const;
  std::size_t size() const { return songs_.size(); }

  // Scans `folder` recursively (hidden folders and folder links are skipped, links to
  // files are followed). `progress(false)` is called now and then while files are being
  // read, with the index already holding them, and `progress(true)` once at the end when
  // anything changed; the scan stops early when `cancel` becomes true.
  ScanReport Scan(const std::string& folder, const std::atomic<bool>& cancel,
                  const std::function<void(bool done)>& progress);

 private:
  IndexStore& store_;
  std::unordered_map<std::string, LibrarySong> songs_;  // by path
};

}  // namespace quilla::server::library
