#include "server/app/window/cover_loader.h"

#include "web/http_get.h"

namespace quilla::server {

CoverLoader::CoverLoader(QObject* context, Show show, Fetch fetch)
    : show_(std::move(show)),
      fetch_(std::move(fetch)),
      poster_(GuiPoster::Create(context)),
      generation_(std::make_shared<std::atomic<std::uint64_t>>(0)) {
  if (!fetch_) {
    fetch_ = [](const std::string& url) { return web::HttpGetBytes(url, kTimeout); };
  }
  pool_.setMaxThreadCount(2);
}

CoverLoader::~CoverLoader() {
  poster_->Detach();
  generation_->fetch_add(1);  // downloads still queued need not start
  pool_.waitForDone();
}

void CoverLoader::Load(const std::string& url) {
  if (current_url_ == url) return;
  current_url_ = url;
  const std::uint64_t generation = generation_->fetch_add(1) + 1;
  show_(QImage());
  if (url.empty()) return;

  pool_.start([fetch = fetch_, poster = poster_, latest = generation_, generation, url,
               show = show_] {
    if (latest->load() != generation) return;  // replaced while it waited for a thread
    QImage picture;
    if (const auto bytes = fetch(url)) {
      picture.loadFromData(reinterpret_cast<const uchar*>(bytes->data()),
                           static_cast<int>(std::min<std::size_t>(bytes->size(), INT32_MAX)));
      if (picture.width() > kMaxSide || picture.height() > kMaxSide) {
        picture = picture.scaled(kMaxSide, kMaxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
      }
    }
    poster->Post([latest, generation, picture, show] {
      if (latest->load() == generation) show(picture);
    });
  });
}

}  // namespace quilla::server
