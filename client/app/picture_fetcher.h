#pragma once
// Fetches a picture by its URL on a worker thread and shows it on the GUI thread: the
// cover of the song playing. Only the latest URL counts: a fetch that a newer one has
// replaced is cancelled and its late picture dropped. Nothing ever waits for the network
// on the GUI thread, not even the destructor: it cancels the fetches that run and leaves
// them to end on their own threads (see WaitForFetches).
//
// GUI thread: construct, Load and destroy there.

#include <QImage>
#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

#include "qt/gui_poster.h"

namespace quilla::client {

class PictureFetcher {
 public:
  // Gets the bytes at a URL, giving up soon after `stop` is requested; blocks its worker
  // thread; std::nullopt on any failure. Thread-safe.
  using Fetch =
      std::function<std::optional<std::string>(const std::string& url, std::stop_token stop)>;
  // Runs on the GUI thread with the decoded picture, or a null image for an empty URL, a
  // failed fetch or bytes that are no picture.
  using Show = std::function<void(const QImage& picture)>;

  static constexpr std::chrono::seconds kTimeout{10};
  // A picture larger than this either way is scaled down on the worker.
  static constexpr int kMaxSide = 400;

  // `context` lives on the GUI thread and outlives this object. `fetch` defaults to a
  // plain HTTP GET with kTimeout.
  PictureFetcher(QObject* context, Show show, Fetch fetch = {});
  ~PictureFetcher();
  PictureFetcher(const PictureFetcher&) = delete;
  PictureFetcher& operator=(const PictureFetcher&) = delete;

  // Shows the picture at `url`: a null image at once, the picture when it has arrived.
  // The URL shown already loads nothing again.
  void Load(const std::string& url);

  // Fetches that have not ended yet (any PictureFetcher).
  static int running();
  // At program end, after every PictureFetcher is gone: waits up to `limit` for the
  // cancelled fetches to end, so that none is still inside a library when the process
  // tears its libraries down. True when none runs any more.
  static bool WaitForFetches(std::chrono::milliseconds limit);

 private:
  struct Job;

  Show show_;
  Fetch fetch_;
  std::shared_ptr<qt::GuiPoster> poster_;
  std::shared_ptr<Job> current_;
  std::optional<std::string> current_url_;
};

}  // namespace quilla::client
