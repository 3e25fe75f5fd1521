#pragma once
// The music search with its page requests off the GUI thread: every action of the search
// area goes through here, the request runs on a worker thread of its own, and its answer
// comes back to the GUI thread through the host's `post`. A newer request supersedes one
// that still runs: the older transfer is cancelled and, should its answer arrive anyway,
// it is dropped, so the list never mixes two searches.
//
// Threads: construct, call and destroy on the GUI thread. The update handler runs only
// there, once per action (at once, inside the call) and once more when a page has come.

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "client/search/search_model.h"

namespace quilla::client {

struct SearchHost {
  // Runs `task` later on the GUI thread, after every task posted before it. Called from
  // worker threads (must be thread-safe), never after the SearchController is destroyed.
  std::function<void(std::function<void()>)> post;
};

class SearchController {
 public:
  using UpdateHandler = std::function<void(const SearchUpdate&)>;

  SearchController(SearchHost host, UpdateHandler on_update);
  // Cancels a request that runs. Never waits for it: its worker ends on its own and
  // reports nothing.
  ~SearchController();
  SearchController(const SearchController&) = delete;
  SearchController& operator=(const SearchController&) = delete;

  // See SearchModel for what each does; a page request, when one goes out, starts here.
  void StartSearch(std::string_view box_text);
  void LoadMore(std::string_view box_text);
  void SearchFromRow(RowSearch search, std::span<const std::string> row);
  void SelectSource(int entry);
  void ToggleCatalogueList();
  void SearchBoxFocused();
  void SearchBoxFocusLost();

  void SetServiceAddress(std::string_view base_url);
  void SetFallbackAddress(std::string_view base_url);

  const SearchModel& model() const;
  const SearchResultList& results() const { return model().results(); }

  // Worker threads that have not ended yet (superseded ones included). Any thread.
  std::size_t workers_running() const;

 private:
  struct Core;
  void Apply(SearchStep step);

  std::shared_ptr<Core> core_;
};

}  // namespace quilla::client
