#include "server/library/library_indexer.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "server/library/folder_watcher.h"
#include "server/library/index_store.h"

namespace quilla::server::library {

LibraryIndexer::LibraryIndexer(IndexerOptions options)
    : options_(std::move(options)),
      wake_fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
      folder_(options_.folder) {}

LibraryIndexer::~LibraryIndexer() {
  Stop();
  if (wake_fd_ >= 0) ::close(wake_fd_);
}

void LibraryIndexer::Start() {
  if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
}

void LibraryIndexer::Stop() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    cancel_scan_ = true;
  }
  Wake();
  if (thread_.joinable()) thread_.join();
}

void LibraryIndexer::Wake() {
  const std::uint64_t one = 1;
  if (wake_fd_ >= 0) {
    [[maybe_unused]] const auto ignored = ::write(wake_fd_, &one, sizeof one);
  }
}

void LibraryIndexer::Rescan() {
  {
    std::lock_guard lock(mutex_);
    rescan_requested_ = true;
  }
  Wake();
}

void LibraryIndexer::SetFolder(std::string folder) {
  {
    // Under the lock, so the scan thread cannot take the new folder and then see this
    // cancel meant for the old scan.
    std::lock_guard lock(mutex_);
    folder_ = std::move(folder);
    folder_changed_ = true;
    cancel_scan_ = true;
  }
  Wake();
}

std::string LibraryIndexer::Folder() const {
  std::lock_guard lock(mutex_);
  return folder_;
}

void LibraryIndexer::Run() {
  std::string note;
  const std::unique_ptr<IndexStore> store = IndexStore::Open(options_.index_file, &note);
  if (!note.empty() && options_.on_note) options_.on_note(note);
  if (!store) return;  // not even an in-memory database: nothing can be indexed
  FolderScanner scanner(*store);
  // Building the search index takes time in proportion to the library (a few us a song):
  // while a long first scan runs, publish no more than a fifth of the time, so the scan
  // itself keeps most of it.
  using Clock = std::chrono::steady_clock;
  Clock::duration last_build{};
  Clock::time_point last_publish{};
  const std::function<void(bool)> publish = [&](bool done) {
    if (!done && Clock::now() - last_publish < 4 * last_build) return;
    const auto started = Clock::now();
    options_.publish(std::make_shared<const SearchIndex>(scanner.Songs()));
    last_publish = Clock::now();
    last_build = last_publish - started;
  };
  publish(true);

  FolderWatcher watcher;
  bool scan_due = true, watch_due = options_.watch_folder, dirty = false;
  Clock::time_point first_change{}, last_change{};
  for (;;) {
    std::string folder;
    {
      std::lock_guard lock(mutex_);
      if (stop_) return;
      if (folder_changed_) {
        folder_changed_ = false;
        scan_due = true;
        watch_due = options_.watch_folder;
      }
      if (rescan_requested_) {
        rescan_requested_ = false;
        scan_due = true;
      }
      folder = folder_;
      if (scan_due) cancel_scan_ = false;
    }
    // Watch before scanning, so a change made while the scan runs is not missed.
    if (watch_due) {
      watcher.Watch(folder);
      watch_due = false;
    }
    if (scan_due) {
      scan_due = dirty = false;
      scanning_ = true;
      const ScanReport report = scanner.Scan(folder, cancel_scan_, publish);
      scanning_ = false;
      if (!report.cancelled && options_.on_scan_finished) options_.on_scan_finished(report);
      continue;
    }

    int timeout_ms = -1;
    if (dirty) {
      const auto now = Clock::now();
      const auto due =
          std::min(last_change + options_.settle_time, first_change + 10 * options_.settle_time);
      timeout_ms =
          due <= now
              ? 0
              : static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(due - now).count());
    }
    pollfd fds[2] = {{wake_fd_, POLLIN, 0}, {watcher.fd(), POLLIN, 0}};
    const int ready = ::poll(fds, watcher.fd() >= 0 ? 2 : 1, timeout_ms);
    if (ready > 0 && (fds[0].revents & POLLIN)) {
      std::uint64_t count = 0;
      [[maybe_unused]] auto ignored = ::read(wake_fd_, &count, sizeof count);
    }
    if (ready > 0 && watcher.fd() >= 0 && (fds[1].revents & POLLIN) && watcher.ReadEvents()) {
      last_change = Clock::now();
      if (!dirty) first_change = last_change;
      dirty = true;
    }
    if (dirty) {
      const auto now = Clock::now();
      if (now >= last_change + options_.settle_time ||
          now >= first_change + 10 * options_.settle_time)
        scan_due = true;
    }
  }
}

}  // namespace quilla::server::library
