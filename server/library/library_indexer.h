#pragma once
// The library's scanner thread: opens the index file, publishes what it holds at once,
// then scans the music folder in the background (publishing as the count grows), and
// scans again on request and when the folder changes (inotify, after a quiet moment).
// It owns the index store, the folder scanner and the watcher; nothing else touches them.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "server/library/folder_scanner.h"
#include "server/library/search_index.h"

namespace quilla::server::library {

struct IndexerOptions {
  std::string folder;
  std::string index_file;
  bool watch_folder = true;
  // Quiet time after the last change in the folder before it is scanned again; a folder
  // that keeps changing is scanned at least every ten of these.
  std::chrono::milliseconds settle_time{1000};
  // Called on the scanner thread with every new index (at start, while a scan reads
  // files, after a scan that changed anything). Must not block for long.
  std::function<void(std::shared_ptr<const SearchIndex>)> publish;
  // Called on the scanner thread after every scan that ran to its end.
  std::function<void(const ScanReport&)> on_scan_finished;
  // Called on the scanner thread with a line worth logging (a damaged index file moved aside).
  std::function<void(const std::string&)> on_note;
};

class LibraryIndexer {
 public:
  explicit LibraryIndexer(IndexerOptions options);
  ~LibraryIndexer();  // Stop()
  LibraryIndexer(const LibraryIndexer&) = delete;
  LibraryIndexer& operator=(const LibraryIndexer&) = delete;

  // Starts the thread; returns at once. Once only.
  void Start();
  // Cancels a running scan and joins the thread; idempotent.
  void Stop();

  // The methods below may be called from any thread and never block on a scan.
  void Rescan();
  // Serves another folder: the running scan is cancelled and the new folder scanned;
  // songs of the old folder leave the index.
  void SetFolder(std::string folder);
  std::string Folder() const;
  bool Scanning() const { return scanning_.load(); }

 private:
  void Run();
  void Wake();

  IndexerOptions options_;
  int wake_fd_ = -1;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::string folder_;                    // guarded by mutex_
  bool folder_changed_ = false;           // guarded by mutex_
  bool rescan_requested_ = false;         // guarded by mutex_
  bool stop_ = false;                     // guarded by mutex_
  std::atomic<bool> cancel_scan_{false};  // written under mutex_, read by the scan
  std::atomic<bool> scanning_{false};
};

}  // namespace quilla::server::library
