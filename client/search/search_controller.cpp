#include "client/search/search_controller.h"

#include <atomic>
#include <mutex>
#include <thread>
#include <utility>

#include "client/search/search_page.h"

namespace quilla::client {

// Shared by the GUI thread and the workers. Posted tasks hold it weakly: a task that runs
// after the controller is gone finds it closed (or gone) and does nothing.
struct SearchController::Core : std::enable_shared_from_this<Core> {
  Core(SearchHost h, UpdateHandler u) : host(std::move(h)), on_update(std::move(u)) {}

  void Report(const SearchUpdate& update) {
    if (!update.empty() && on_update) on_update(update);
  }

  // GUI thread: starts the worker for `query`, cancelling the one before.
  void Launch(PageQuery query) {
    if (cancel_running) cancel_running->store(true);
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    cancel_running = cancel;
    workers.fetch_add(1);
    std::thread([self = shared_from_this(), query = std::move(query), cancel] {
      std::string answer = FetchSearchAnswer(query.service, query.form_body, *cancel);
      if (!cancel->load()) {
        // Parsed here, off the GUI thread.
        std::vector<SongRecord> songs = ParseSearchPage(answer);
        answer = {};
        std::lock_guard lock(self->post_mutex);
        if (!self->closed) {
          self->host.post(
              [weak = self->weak_from_this(), id = query.id, songs = std::move(songs)]() mutable {
                auto core = weak.lock();
                if (!core || core->closed) return;
                core->Report(core->model.Finish(id, std::move(songs)));
              });
        }
      }
      self->workers.fetch_sub(1);
    }).detach();
  }

  const SearchHost host;
  const UpdateHandler on_update;
  SearchModel model;                                  // GUI thread only
  std::shared_ptr<std::atomic<bool>> cancel_running;  // GUI thread only
  std::atomic<std::size_t> workers{0};

  std::mutex post_mutex;  // guards the check of `closed` with the post
  std::atomic<bool> closed{false};
};

SearchController::SearchController(SearchHost host, UpdateHandler on_update)
    : core_(std::make_shared<Core>(std::move(host), std::move(on_update))) {}

SearchController::~SearchController() {
  std::lock_guard lock(core_->post_mutex);
  core_->closed = true;
  if (core_->cancel_running) core_->cancel_running->store(true);
}

void SearchController::Apply(SearchStep step) {
  core_->Report(step.update);
  if (step.query) core_->Launch(std::move(*step.query));
}

void SearchController::StartSearch(std::string_view box_text) {
  Apply(core_->model.StartSearch(box_text));
}

void SearchController::LoadMore(std::string_view box_text) {
  Apply(core_->model.LoadMore(box_text));
}

void SearchController::SearchFromRow(RowSearch search, std::span<const std::string> row) {
  Apply(core_->model.SearchFromRow(search, row));
}

void SearchController::SelectSource(int entry) {
  core_->Report(core_->model.SelectSource(entry));
}

void SearchController::ToggleCatalogueList() {
  core_->Report(core_->model.ToggleCatalogueList());
}

void SearchController::SearchBoxFocused() {
  core_->Report(core_->model.SearchBoxFocused());
}

void SearchController::SearchBoxFocusLost() {
  core_->Report(core_->model.SearchBoxFocusLost());
}

void SearchController::SetServiceAddress(std::string_view base_url) {
  core_->model.SetServiceAddress(base_url);
}

void SearchController::SetFallbackAddress(std::string_view base_url) {
  core_->model.SetFallbackAddress(base_url);
}

const SearchModel& SearchController::model() const {
  return core_->model;
}

std::size_t SearchController::workers_running() const {
  return core_->workers.load();
}

}  // namespace quilla::client
