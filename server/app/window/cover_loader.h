#pragma once
// Downloads the picture for "Pic" on a thread of its own so that the window never waits
// for the network. Only the picture of the latest address is shown: a late answer for an
// address that has since been replaced is dropped, and its download is told to give up.
// Nothing here ever waits for a download, the destructor included.

#include <QImage>
#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

#include "server/app/window/gui_poster.h"

namespace quilla::server {

class CoverLoader {
 public:
  // Fetches the bytes at a URL; blocks its (download) thread, gives up soon after `stop` is
  // requested; nullopt on any failure. It may still run after the loader is gone, so it
  // must not refer to anything shorter-lived than itself.
  using Fetch =
      std::function<std::optional<std::string>(const std::string& url, std::stop_token stop)>;
  // Called on the GUI thread with the decoded picture, or a null image when there is no
  // address, the download failed or the bytes are not a picture.
  using Show = std::function<void(const QImage& picture)>;

  // `context` is the object on whose thread `show` runs (the window); it must outlive the
  // loader. `fetch` defaults to a plain HTTP GET with `kTimeout`.
  CoverLoader(QObject* context, Show show, Fetch fetch = {});
  // GUI thread; returns at once. Drops every result still to come and tells the download
  // under way to give up; it finishes on its own thread.
  ~CoverLoader();
  CoverLoader(const CoverLoader&) = delete;
  CoverLoader& operator=(const CoverLoader&) = delete;

  // GUI thread; returns at once. Shows the picture at `url`: a null image at once, then the
  // downloaded picture when it arrives. The same address twice in a row loads nothing new.
  void Load(const std::string& url);

  // Pictures larger than this (in either direction) are scaled down on the download thread.
  static constexpr int kMaxSide = 300;
  static constexpr std::chrono::seconds kTimeout{10};

 private:
  Show show_;
  Fetch fetch_;
  std::shared_ptr<GuiPoster> poster_;
  std::optional<std::string> current_url_;
  std::stop_source current_;  // of the latest download; stop means "no longer wanted"
};

}  // namespace quilla::server
