#include "client/app/picture_fetcher.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include "web/http_get.h"

namespace quilla::client {
namespace {

// The fetches of the whole program that have not ended.
struct RunningFetches {
  std::mutex mutex;
  std::condition_variable ended;
  int count = 0;
};

RunningFetches& Running() {
  // Never destroyed: a worker may still count itself out while the process ends.
  static auto* running = new RunningFetches;
  return *running;
}

QImage Decode(const std::string& bytes) {
  QImage picture;
  if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) return picture;
  picture.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                       static_cast<int>(bytes.size()));
  if (picture.width() > PictureFetcher::kMaxSide || picture.height() > PictureFetcher::kMaxSide) {
    picture = picture.scaled(PictureFetcher::kMaxSide, PictureFetcher::kMaxSide,
                             Qt::KeepAspectRatio, Qt::SmoothTransformation);
  }
  return picture;
}

}  // namespace

// One fetch: the worker and this object share it; cancelled when it is replaced or its
// fetcher goes.
struct PictureFetcher::Job {
  std::stop_source cancel;
};

PictureFetcher::PictureFetcher(QObject* context, Show show, Fetch fetch)
    : show_(std::move(show)), fetch_(std::move(fetch)), poster_(qt::GuiPoster::Create(context)) {
  if (!fetch_) {
    fetch_ = [](const std::string& url, std::stop_token stop) {
      return web::HttpGetBytes(url, kTimeout, std::move(stop));
    };
  }
}

PictureFetcher::~PictureFetcher() {
  poster_->Detach();
  if (current_) current_->cancel.request_stop();
}

void PictureFetcher::Load(const std::string& url) {
  if (current_url_ == url) return;
  current_url_ = url;
  if (current_) current_->cancel.request_stop();
  current_.reset();
  show_(QImage());
  if (url.empty()) return;

  auto job = std::make_shared<Job>();
  current_ = job;
  {
    std::lock_guard lock(Running().mutex);
    ++Running().count;
  }
  // The worker owns copies of everything it touches; it never reaches this object.
  std::thread([job, url, fetch = fetch_, poster = poster_, show = show_] {
    const std::optional<std::string> bytes = fetch(url, job->cancel.get_token());
    if (!job->cancel.stop_requested()) {
      QImage picture = bytes ? Decode(*bytes) : QImage();
      poster->Post([job, picture = std::move(picture), show] {
        if (!job->cancel.stop_requested()) show(picture);
      });
    }
    std::lock_guard lock(Running().mutex);
    --Running().count;
    Running().ended.notify_all();
  }).detach();
}

int PictureFetcher::running() {
  std::lock_guard lock(Running().mutex);
  return Running().count;
}

bool PictureFetcher::WaitForFetches(std::chrono::milliseconds limit) {
  std::unique_lock lock(Running().mutex);
  return Running().ended.wait_for(lock, limit, [] { return Running().count == 0; });
}

}  // namespace quilla::client
