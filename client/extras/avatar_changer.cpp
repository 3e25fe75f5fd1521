#include "client/extras/avatar_changer.h"

#include <mutex>
#include <thread>
#include <utility>

#include "client/extras/default_avatar.h"
#include "client/extras/round_avatar.h"
#include "web/cancellable_fetch.h"
#include "web/text_helpers.h"

namespace quilla::client {

std::optional<std::string> FetchPicture(const std::string& address,
                                        const std::atomic<bool>& cancel) {
  if (!IsWebAddress(address)) return std::nullopt;
  web::WebFetchResult answer = web::CancellableFetch(address, cancel, {}, kMaxAvatarBytes);
  if (!answer.ok || answer.status < 200 || answer.status > 299) return std::nullopt;
  if (answer.body.size() > kMaxAvatarBytes) return std::nullopt;
  return std::move(answer.body);
}

// Shared by the GUI thread and the workers. Posted tasks hold it weakly: a task that runs
// after the changer is gone finds it closed (or gone) and does nothing.
struct AvatarChanger::Core : std::enable_shared_from_this<Core> {
  Core(WorkerHost h, UpdateHandler u, PictureFetch f)
      : host(std::move(h)), on_update(std::move(u)), fetch(std::move(f)) {}

  // GUI thread: fetches `address` on a worker, cancelling the request before.
  void Launch(std::string address, bool from_user) {
    if (cancel_running) cancel_running->store(true);
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    cancel_running = cancel;
    const std::uint64_t id = ++request_id;
    std::thread([self = shared_from_this(), address = std::move(address), cancel, id,
                 from_user]() mutable {
      std::optional<std::string> round;
      if (std::optional<std::string> bytes = self->fetch(address, *cancel)) {
        round = MakeRoundAvatar(*bytes);  // decoded here, off the GUI thread
      }
      std::lock_guard lock(self->post_mutex);
      if (self->closed || cancel->load()) return;
      self->host.post([weak = self->weak_from_this(), id, from_user, address = std::move(address),
                       round = std::move(round)]() mutable {
        auto core = weak.lock();
        if (core && !core->closed)
          core->Finish(id, from_user, std::move(address), std::move(round));
      });
    }).detach();
  }

  // GUI thread.
  void Finish(std::uint64_t id, bool from_user, std::string address,
              std::optional<std::string> round) {
    if (id != request_id) return;  // superseded
    cancel_running.reset();
    AvatarUpdate update;
    if (round) {
      picture = std::move(*round);
      update.picture_changed = true;
      if (address != this->address) {
        this->address = std::move(address);
        update.address_changed = true;
      }
    }
    if (from_user) update.status_text = std::string(round ? kAvatarChangedText : kAvatarFailedText);
    if ((update.picture_changed || update.status_text) && on_update) on_update(update);
  }

  const WorkerHost host;
  const UpdateHandler on_update;
  const PictureFetch fetch;

  // GUI thread only.
  std::string address;
  std::string picture;
  std::uint64_t request_id = 0;
  std::shared_ptr<std::atomic<bool>> cancel_running;  // set while a request runs

  std::mutex post_mutex;  // guards the check of `closed` with the post
  std::atomic<bool> closed{false};
};

AvatarChanger::AvatarChanger(WorkerHost host, UpdateHandler on_update, PictureFetch fetch)
    : core_(std::make_shared<Core>(std::move(host), std::move(on_update), std::move(fetch))) {
  core_->picture = MakeRoundAvatar(DefaultAvatarPicture()).value_or(std::string());
}

AvatarChanger::~AvatarChanger() {
  std::lock_guard lock(core_->post_mutex);
  core_->closed = true;
  if (core_->cancel_running) core_->cancel_running->store(true);
}

void AvatarChanger::Apply(std::string_view address) {
  const std::string_view trimmed = web::TrimBlanks(address);
  if (!IsWebAddress(trimmed)) {
    // Nothing to fetch; the answer still comes the way every answer comes.
    if (core_->cancel_running) core_->cancel_running->store(true);
    const std::uint64_t id = ++core_->request_id;
    core_->cancel_running.reset();
    core_->host.post([weak = std::weak_ptr<Core>(core_), id] {
      auto core = weak.lock();
      if (core && !core->closed) core->Finish(id, true, {}, std::nullopt);
    });
    return;
  }
  core_->Launch(std::string(trimmed), true);
}

void AvatarChanger::LoadSaved(std::string_view address) {
  core_->address = std::string(web::TrimBlanks(address));
  if (IsWebAddress(core_->address)) core_->Launch(core_->address, false);
}

const std::string& AvatarChanger::address() const {
  return core_->address;
}

const std::string& AvatarChanger::picture() const {
  return core_->picture;
}

bool AvatarChanger::busy() const {
  return core_->cancel_running != nullptr;
}

}  // namespace quilla::client
