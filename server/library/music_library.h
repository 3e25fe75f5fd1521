#pragma once
// The built-in music library, whole: the index of a music folder (SQLite beside the
// settings, TagLib for the tags, rescanned in the background and on folder changes),
// the search that Chinese-speaking listeners expect (substring, pinyin, traditional and
// simplified), and the HTTP service on its own port that answers the clients' search
// form and serves the songs, their covers and lyrics.
//
// Use from the server:
//   MusicLibrary library({.folder = dir, .index_file = config_dir + "/library.db",
//                         .port = 8801, .public_host = lan_address});
//   std::string error;
//   if (!library.Start(&error)) log(error);
//   ... library.BaseUrl()  ->  "http://192.168.1.5:8801" for the clients ...
//   library.Stop();  // or let the destructor do it
//
// Threads: every public method may be called from any thread; none waits for a scan or
// for the network (Start binds a socket and returns; Stop joins the threads). Callbacks
// in the config run on the library's scanner thread and must hand their work to their
// own thread rather than block it.

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "server/library/folder_scanner.h"
#include "server/library/http_service.h"
#include "server/library/library_indexer.h"
#include "server/library/library_routes.h"
#include "server/library/search_index.h"
#include "server/library/song.h"

namespace quilla::server::library {

struct LibraryConfig {
  std::string folder;      // the music folder, scanned recursively
  std::string index_file;  // the SQLite index (created when missing)
  std::string bind_address = "0.0.0.0";
  int port = 8801;           // 0: any free port (see Port())
  std::string public_host;   // host listeners reach; in every "url"/"pic". Empty: 127.0.0.1
  bool watch_folder = true;  // rescan on changes in the folder (inotify)
  std::chrono::milliseconds settle_time{1000};  // quiet time after a change before rescanning
  HttpServiceLimits http;
  // After every complete scan, on the scanner thread: folder, song count, files read.
  std::function<void(const ScanReport&)> on_scan_finished;
  // A line worth logging (a damaged index moved aside), on the scanner thread.
  std::function<void(const std::string&)> on_note;
};

class MusicLibrary {
 public:
  explicit MusicLibrary(LibraryConfig config);
  ~MusicLibrary();  // Stop()
  MusicLibrary(const MusicLibrary&) = delete;
  MusicLibrary& operator=(const MusicLibrary&) = delete;

  // The HTTP service, for adding further routes (radio, speech) before Start:
  //   AddRadioRoutes(library.http(), library.RouteSources());
  //   AddSpeechRoutes(library.http(), std::make_shared<EspeakSynthesizer>());
  HttpService& http() { return http_; }
  // The current index and the listeners' base address, as routes read them; valid while
  // this library lives.
  LibraryRouteSources RouteSources() const;

  // Binds the port and starts the background scan; the service answers at once (from the
  // index file's songs, then as the scan adds them). False, with the reason, when the
  // port cannot be bound. Once only.
  bool Start(std::string* error);
  void Stop();

  // Scan the folder again now (the console's "rescan").
  void Rescan();
  // Serve another folder from now on (the window's folder button).
  void SetFolder(std::string folder);
  std::string Folder() const;

  std::size_t SongCount() const;
  bool Scanning() const;
  // The report of the last complete scan; nullopt before the first has ended.
  std::optional<ScanReport> LastScan() const;

  // "http://" + public host + ":" + port; the address clients search at.
  std::string BaseUrl() const;
  int Port() const { return http_.port(); }

  // The song with this id, or nullopt; for paths that play indexed songs by id.
  std::optional<LibrarySong> FindSong(SongId id) const;
  // "<BaseUrl>/media/<id>" and "<BaseUrl>/cover/<id>".
  std::string MediaUrlOf(SongId id) const;
  std::string CoverUrlOf(SongId id) const;
  // The search the HTTP service answers, for other front ends.
  SearchPage Search(std::string_view query, int page, int page_size = 10) const;
  // The current index; it stays valid and unchanged for as long as it is held.
  std::shared_ptr<const SearchIndex> Snapshot() const;

 private:
  void Publish(std::shared_ptr<const SearchIndex> index);

  LibraryConfig config_;
  HttpService http_;
  LibraryIndexer indexer_;
  mutable std::mutex mutex_;
  std::shared_ptr<const SearchIndex> index_;  // guarded by mutex_
  std::optional<ScanReport> last_scan_;       // guarded by mutex_
};

}  // namespace quilla::server::library
