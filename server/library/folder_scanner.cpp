#include "server/library/folder_scanner.h"

#include <sys/stat.h>

#include <filesystem>
#include <unordered_set>

#include "server/library/file_names.h"
#include "server/library/tag_reader.h"

namespace quilla::server::library {
namespace {

namespace fs = std::filesystem;

// How often a scan that reads files shows its progress and writes the index.
constexpr auto kProgressPeriod = std::chrono::milliseconds(700);

struct FileState {
  std::int64_t size = 0;
  std::int64_t mtime_ns = 0;
};

bool StatFile(const std::string& path, FileState& state) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  state.size = info.st_size;
  state.mtime_ns = std::int64_t(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
  return true;
}

bool Hidden(const fs::path& path) {
  const std::string name = path.filename().string();
  return !name.empty() && name.front() == '.';
}

}  // namespace

FolderScanner::FolderScanner(IndexStore& store) : store_(store) {
  for (LibrarySong& song : store_.LoadAll()) {
    std::string path = song.path;
    songs_.emplace(std::move(path), std::move(song));
  }
}

std::vector<LibrarySong> FolderScanner::Songs() const {
  std::vector<LibrarySong> songs;
  songs.reserve(songs_.size());
  for (const auto& [path, song] : songs_) songs.push_back(song);
  return songs;
}

ScanReport FolderScanner::Scan(const std::string& folder, const std::atomic<bool>& cancel,
                               const std::function<void(bool done)>& progress) {
  const auto started = std::chrono::steady_clock::now();
  ScanReport report;
  report.folder = folder;
  std::error_code error;
  if (folder.empty() || !fs::is_directory(folder, error)) {
    report.folder_missing = true;
    report.songs = songs_.size();
    return report;
  }

  std::unordered_set<std::string> seen;
  bool changed = false;
  auto last_progress = std::chrono::steady_clock::now();
  store_.Begin();
  fs::recursive_directory_iterator walk(folder, fs::directory_options::skip_permission_denied,
                                        error);
  for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
    if (cancel.load()) {
      report.cancelled = true;
      break;
    }
    const fs::directory_entry& entry = *walk;
    std::error_code type_error;
    if (entry.is_directory(type_error)) {
      // Hidden folders (".Trash", ".cache") and folder links (which can loop) are left out.
      if (Hidden(entry.path()) || entry.is_symlink(type_error)) walk.disable_recursion_pending();
      continue;
    }
    const std::string path = entry.path().string();
    FileState state;
    if (Hidden(entry.path()) || !IsAudioFileName(path) || !StatFile(path, state) || state.size == 0)
      continue;
    seen.insert(path);
    const auto known = songs_.find(path);
    if (known != songs_.end() && known->second.size == state.size &&
        known->second.mtime_ns == state.mtime_ns) {
      ++report.unchanged;
      continue;
    }
    LibrarySong song = ReadSongFile(path, state.size, state.mtime_ns);
    song.id = store_.Save(song);
    if (song.id == 0) continue;
    songs_[path] = std::move(song);
    ++report.read;
    changed = true;
    if (std::chrono::steady_clock::now() - last_progress >= kProgressPeriod) {
      store_.Commit();
      store_.Begin();
      progress(false);
      last_progress = std::chrono::steady_clock::now();
    }
  }
  // A walk that broke off part-way has not seen everything: remove nothing then.
  if (!report.cancelled && !error) {
    for (auto it = songs_.begin(); it != songs_.end();) {
      if (seen.count(it->first)) {
        ++it;
        continue;
      }
      store_.Remove(it->second.id);
      it = songs_.erase(it);
      ++report.removed;
      changed = true;
    }
  }
  store_.Commit();
  if (changed) progress(true);
  report.songs = songs_.size();
  report.took = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - started);
  return report;
}

}  // namespace quilla::server::library
