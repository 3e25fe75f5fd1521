#pragma once
// "下载此歌曲": the selected search result's audio saved in "下载的歌曲" on the desktop,
// downloaded on a worker thread with its progress reported and a way to cancel it. The
// song is written under a temporary name and renamed into place only when it is
// complete; a failed or cancelled download leaves no file behind and never touches a song
// already saved under that name.
//
// Threads: construct, call and destroy on the GUI thread. The hooks run only there, never
// inside a call: on_progress now and then while bytes arrive (always once with the final
// count just before a success), then on_finished exactly once per download.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "client/extras/desktop_folder.h"
#include "client/extras/worker_host.h"
#include "client/search/song_record.h"

namespace quilla::client {

inline constexpr std::string_view kDownloadDoneText = "歌曲下载完毕，在您的桌面上！";
inline constexpr std::string_view kDownloadFailedPrefix = "歌曲下载失败：";
inline constexpr std::string_view kDownloadCancelledReason = "已取消";
// The largest song saved; a longer answer fails the download.
inline constexpr std::uint64_t kMaxSongBytes = 1024u * 1024u * 1024u;

using DownloadId = std::uint64_t;

struct DownloadProgress {
  std::uint64_t received_bytes = 0;
  std::optional<std::uint64_t> total_bytes;  // when the server said how long the song is
  bool operator==(const DownloadProgress&) const = default;
};

struct DownloadResult {
  bool ok = false;
  // For an OK-only message box: kDownloadDoneText, or kDownloadFailedPrefix + the reason.
  std::string message;
  std::filesystem::path file;  // where the song now lies (ok only)
};

struct DownloadHooks {
  std::function<void(DownloadId, const DownloadProgress&)> on_progress;
  std::function<void(DownloadId, const DownloadResult&)> on_finished;
};

struct DownloadOptions {
  // The folder that holds "下载的歌曲", asked at the start of every download (on the
  // worker). Tests point it at a temporary folder.
  std::function<std::filesystem::path()> desktop = &DesktopFolder;
  std::uint64_t max_bytes = kMaxSongBytes;
};

class SongDownloader {
 public:
  SongDownloader(WorkerHost host, DownloadHooks hooks, DownloadOptions options = {});
  // Cancels every download that runs. Never waits: each worker ends on its own, removes
  // its temporary file and reports nothing.
  ~SongDownloader();
  SongDownloader(const SongDownloader&) = delete;
  SongDownloader& operator=(const SongDownloader&) = delete;

  // DownloadSelectedSong: fetches song.url (column 3) and saves it as SafeSongStem(title)
  // plus the extension of the answer's Content-Type in "下载的歌曲" (created the first
  // time), replacing a file of that name. Several downloads may run at once; each has its
  // own id.
  DownloadId DownloadSelectedSong(const SongRecord& song);

  // Stops the download `id`; it finishes with kDownloadCancelledReason (unless it completed
  // first). False when no such download runs.
  bool Cancel(DownloadId id);

  // Downloads started and not yet reported as finished.
  std::size_t downloads_running() const;

 private:
  struct Core;
  std::shared_ptr<Core> core_;
};

}  // namespace quilla::client
