#include "client/extras/song_downloader.h"

#include <atomic>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "client/extras/part_file.h"
#include "client/extras/song_file_name.h"
#include "client/extras/web_address.h"
#include "web/cancellable_fetch.h"

namespace quilla::client {
namespace {

// The latest progress of one download, handed from its worker to the GUI thread. Only
// one report is on its way at a time: a fast transfer cannot flood the GUI thread's queue,
// and the report that runs shows the newest figures.
struct ProgressBox {
  std::atomic<std::uint64_t> received{0};
  std::atomic<std::uint64_t> total{0};  // 0: not announced
  std::atomic<bool> on_its_way{false};

  DownloadProgress Take() {
    on_its_way = false;
    DownloadProgress progress{received.load(), std::nullopt};
    if (const std::uint64_t t = total.load(); t > 0) progress.total_bytes = t;
    return progress;
  }
};

DownloadResult Failed(std::string_view reason) {
  return {false, std::string(kDownloadFailedPrefix).append(reason), {}};
}

}  // namespace

// Shared by the GUI thread and the workers. Posted tasks hold it weakly: a task that runs
// after the downloader is gone finds it closed (or gone) and does nothing.
struct SongDownloader::Core : std::enable_shared_from_this<Core> {
  Core(WorkerHost h, DownloadHooks k, DownloadOptions o)
      : host(std::move(h)), hooks(std::move(k)), options(std::move(o)) {}

  // Any thread: hands `task` to the GUI thread unless the downloader is closed, and runs
  // it there only while the downloader still exists.
  void Post(std::function<void(Core&)> task) {
    std::lock_guard lock(post_mutex);
    if (closed) return;
    host.post([weak = weak_from_this(), task = std::move(task)] {
      auto core = weak.lock();
      if (core && !core->closed) task(*core);
    });
  }

  // Worker thread: the whole download; the outcome goes to the GUI thread.
  DownloadResult Run(const SongRecord& song, const std::atomic<bool>& cancel,
                     const std::shared_ptr<ProgressBox>& box, DownloadId id);

  const WorkerHost host;
  const DownloadHooks hooks;
  const DownloadOptions options;

  // GUI thread only.
  DownloadId last_id = 0;
  std::map<DownloadId, std::shared_ptr<std::atomic<bool>>> running;

  std::mutex post_mutex;  // guards the check of `closed` with the post
  std::atomic<bool> closed{false};
};

DownloadResult SongDownloader::Core::Run(const SongRecord& song, const std::atomic<bool>& cancel,
                                         const std::shared_ptr<ProgressBox>& box, DownloadId id) {
  if (!IsWebAddress(song.url)) return Failed("这首歌没有可下载的地址");

  const std::filesystem::path folder = options.desktop() / kDownloadFolderName;
  std::error_code error;
  std::filesystem::create_directory(folder, error);
  if (!std::filesystem::is_directory(folder, error)) {
    return Failed("无法创建文件夹“" + std::string(kDownloadFolderName) + "”");
  }
  PartFile part(folder, options.max_bytes);
  if (!part.ok()) return Failed("无法在文件夹“" + std::string(kDownloadFolderName) + "”中写入");

  web::WebFetchOptions fetch_options;
  fetch_options.body_sink = &part;
  const web::FetchProgress follow = [this, box, id](std::uint64_t received, std::uint64_t total) {
    box->received = received;
    box->total = total;
    if (box->on_its_way.exchange(true)) return;
    Post([box, id](Core& core) {
      const DownloadProgress progress = box->Take();
      if (core.hooks.on_progress) core.hooks.on_progress(id, progress);
    });
  };
  const web::WebFetchResult answer =
      web::CancellableFetch(song.url, cancel, std::move(fetch_options), 0, follow);

  if (cancel) return Failed(kDownloadCancelledReason);
  if (part.too_large()) return Failed("歌曲文件太大");
  if (part.write_failed()) return Failed("写入文件出错（磁盘满了吗？）");
  if (!answer.ok) return Failed(part.size() > 0 ? "下载中断了" : "无法连接到歌曲的服务器");
  if (answer.status < 200 || answer.status > 299) {
    return Failed("服务器回答 " + std::to_string(answer.status));
  }
  if (part.size() == 0) return Failed("服务器没有给出歌曲内容");

  const std::string name =
      SafeSongStem(song.title) +
      std::string(SongExtensionFor(web::ResponseHeader(answer.response_headers, "Content-Type")));
  const std::filesystem::path target = folder / name;
  if (cancel) return Failed(kDownloadCancelledReason);
  const std::uint64_t total = box->total.load();
  if (!part.CommitAs(target)) return Failed("无法保存文件“" + name + "”");

  // The last figures before the message, so a progress bar ends full.
  box->received = part.size();
  box->total = total > 0 ? total : part.size();
  box->on_its_way = true;
  Post([box, id](Core& core) {
    const DownloadProgress progress = box->Take();
    if (core.hooks.on_progress) core.hooks.on_progress(id, progress);
  });
  return {true, std::string(kDownloadDoneText), target};
}

SongDownloader::SongDownloader(WorkerHost host, DownloadHooks hooks, DownloadOptions options)
    : core_(std::make_shared<Core>(std::move(host), std::move(hooks), std::move(options))) {}

SongDownloader::~SongDownloader() {
  std::lock_guard lock(core_->post_mutex);
  core_->closed = true;
  for (auto& [id, cancel] : core_->running) cancel->store(true);
}

DownloadId SongDownloader::DownloadSelectedSong(const SongRecord& song) {
  const DownloadId id = ++core_->last_id;
  auto cancel = std::make_shared<std::atomic<bool>>(false);
  core_->running.emplace(id, cancel);
  std::thread([self = core_, song, cancel, id] {
    auto box = std::make_shared<ProgressBox>();
    DownloadResult result = self->Run(song, *cancel, box, id);
    self->Post([id, result = std::move(result)](Core& core) {
      core.running.erase(id);
      if (core.hooks.on_finished) core.hooks.on_finished(id, result);
    });
  }).detach();
  return id;
}

bool SongDownloader::Cancel(DownloadId id) {
  const auto found = core_->running.find(id);
  if (found == core_->running.end()) return false;
  found->second->store(true);
  return true;
}

std::size_t SongDownloader::downloads_running() const {
  return core_->running.size();
}

}  // namespace quilla::client
