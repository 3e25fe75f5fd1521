#include "server/library/music_library.h"

#include <utility>

namespace quilla::server::library {

MusicLibrary::MusicLibrary(LibraryConfig config)
    : config_(std::move(config)),
      http_(config_.http),
      indexer_(IndexerOptions{
          .folder = config_.folder,
          .index_file = config_.index_file,
          .watch_folder = config_.watch_folder,
          .settle_time = config_.settle_time,
          .publish =
              [this](std::shared_ptr<const SearchIndex> index) { Publish(std::move(index)); },
          .on_scan_finished =
              [this](const ScanReport& report) {
                {
                  std::lock_guard lock(mutex_);
                  last_scan_ = report;
                }
                if (config_.on_scan_finished) config_.on_scan_finished(report);
              },
          .on_note =
              [this](const std::string& note) {
                if (config_.on_note) config_.on_note(note);
              }}),
      index_(std::make_shared<const SearchIndex>()) {
  AddLibraryRoutes(http_, RouteSources());
}

LibraryRouteSources MusicLibrary::RouteSources() const {
  return {.index = [this] { return Snapshot(); }, .base_url = [this] { return BaseUrl(); }};
}

MusicLibrary::~MusicLibrary() {
  Stop();
}

bool MusicLibrary::Start(std::string* error) {
  if (!http_.Start(config_.bind_address, config_.port, error)) return false;
  indexer_.Start();
  return true;
}

void MusicLibrary::Stop() {
  http_.Stop();
  indexer_.Stop();
}

void MusicLibrary::Rescan() {
  indexer_.Rescan();
}
void MusicLibrary::SetFolder(std::string folder) {
  indexer_.SetFolder(std::move(folder));
}
std::string MusicLibrary::Folder() const {
  return indexer_.Folder();
}
bool MusicLibrary::Scanning() const {
  return indexer_.Scanning();
}
std::size_t MusicLibrary::SongCount() const {
  return Snapshot()->size();
}

std::optional<ScanReport> MusicLibrary::LastScan() const {
  std::lock_guard lock(mutex_);
  return last_scan_;
}

std::string MusicLibrary::BaseUrl() const {
  std::string host = config_.public_host.empty() ? "127.0.0.1" : config_.public_host;
  if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]";
  return "http://" + host + ":" + std::to_string(http_.port());
}

std::optional<LibrarySong> MusicLibrary::FindSong(SongId id) const {
  const auto index = Snapshot();
  const LibrarySong* song = index->Find(id);
  return song ? std::optional<LibrarySong>(*song) : std::nullopt;
}

std::string MusicLibrary::MediaUrlOf(SongId id) const {
  return MediaUrl(BaseUrl(), id);
}
std::string MusicLibrary::CoverUrlOf(SongId id) const {
  return CoverUrl(BaseUrl(), id);
}

SearchPage MusicLibrary::Search(std::string_view query, int page, int page_size) const {
  return Snapshot()->Search(query, page, page_size);
}

std::shared_ptr<const SearchIndex> MusicLibrary::Snapshot() const {
  std::lock_guard lock(mutex_);
  return index_;
}

void MusicLibrary::Publish(std::shared_ptr<const SearchIndex> index) {
  // The old index is released outside the lock (it may be large).
  std::shared_ptr<const SearchIndex> old;
  {
    std::lock_guard lock(mutex_);
    old = std::exchange(index_, std::move(index));
  }
}

}  // namespace quilla::server::library
