#pragma once
// Downloads the picture for "Pic" on a worker so that the window never waits for the
// network. Only the picture of the latest address is shown: a late answer for an address
// that has since been replaced is dropped.

#include <QImage>
#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "server/app/window/gui_poster.h"

namespace quilla::server {

class CoverLoader {
 public:
  // Fetches the bytes at a URL; blocks its (worker) thread; nullopt on any failure.
  using Fetch = std::function<std::optional<std::string>(const std::string& url)>;
  // Called on the GUI thread with the decoded picture, or a null image when there is no
  // address, the download failed or the bytes are not a picture.
  using Show = std::function<void(const QImage& picture)>;

  // `context` is the object on whose thread `show` runs (the window); it must outlive the
  // loader. `fetch` defaults to a plain HTTP GET with `kTimeout`.
  CoverLoader(QObject* context, Show show, Fetch fetch = {});
  ~CoverLoader();  // drops pending results and waits for running downloads
  CoverLoader(const CoverLoader&) = delete;
  CoverLoader& operator=(const CoverLoader&) = delete;

  // GUI thread. Shows the picture at `url`: a null image at once, then the downloaded
  // picture when it arrives. The same address twice in a row loads nothing new.
  void Load(const std::string& url);

  // Pictures larger than this (in either direction) are scaled down on the worker.
  static constexpr int kMaxSide = 300;
  static constexpr std::chrono::seconds kTimeout{10};

 private:
  Show show_;
  Fetch fetch_;
  std::shared_ptr<GuiPoster> poster_;
  std::shared_ptr<std::atomic<std::uint64_t>> generation_;
  std::optional<std::string> current_url_;
  QThreadPool pool_;
};

}  // namespace quilla::server
