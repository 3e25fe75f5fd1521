#include "server/app/window/cover_loader.h"

#include <algorithm>
#include <cstdint>
#include <thread>

#include "web/http_get.h"

namespace quilla::server {

CoverLoader::CoverLoader(QObject* context, Show show, Fetch fetch)
    : show_(std::move(show)), fetch_(std::move(fetch)), poster_(GuiPoster::Create(context)) {
  if (!fetch_) {
    fetch_ = [](const std::string& url, std::stop_token stop) {
      return web::HttpGetBytes(url, kTimeout, std::move(stop));
    };
  }
}

CoverLoader::~CoverLoader() {
  poster_->Detach();
  current_.request_stop();
}

void CoverLoader::Load(const std::string& url) {
  if (current_url_ == url) return;
  current_url_ = url;
  current_.request_stop();  // the picture before is no longer wanted
  current_ = std::stop_source();
  show_(QImage());
  if (url.empty()) return;

  // A thread of its own that finishes by itself: neither a new address nor the window's
  // end waits for a slow picture host. It holds nothing of this object but shared parts.
  std::thread([fetch = fetch_, poster = poster_, stop = current_.get_token(), url, show = show_] {
    QImage picture;
    const std::optional<std::string> bytes = fetch(url, stop);
    if (stop.stop_requested()) return;
    if (bytes) {
      picture.loadFromData(reinterpret_cast<const uchar*>(bytes->data()),
                           static_cast<int>(std::min<std::size_t>(bytes->size(), INT32_MAX)));
      if (picture.width() > kMaxSide || picture.height() > kMaxSide) {
        picture = picture.scaled(kMaxSide, kMaxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
      }
    }
    // Checked again on the GUI thread, where a newer Load asks this one to stop.
    poster->Post([stop, picture, show] {
      if (!stop.stop_requested()) show(picture);
    });
  }).detach();
}

}  // namespace quilla::server
