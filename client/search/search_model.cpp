#include "client/search/search_model.h"

#include "client/search/search_page.h"

namespace quilla::client {

std::string ResultCountText(std::size_t rows) {
  return "搜索结果共" + std::to_string(rows) + "条";
}

bool SearchUpdate::empty() const {
  return !search_box_enabled && !search_box_text && !search_box_color && !load_more_enabled &&
         !catalogue_list_visible && !status_text && !results && !error_box && !focus_search_box &&
         !show_search_page && panel == PanelMove::kNone;
}

void SearchModel::SetServiceAddress(std::string_view base_url) {
  configured_ = ParseServiceAddress(base_url);
}

void SearchModel::SetFallbackAddress(std::string_view base_url) {
  fallback_ = ParseServiceAddress(base_url);
}

std::optional<ServiceAddress> SearchModel::service() const {
  return configured_ ? configured_ : fallback_;
}

SearchStep SearchModel::StartSearch(std::string_view box_text) {
  SearchStep step;
  if (box_text.empty()) {
    RefuseEmptyText(step.update);
    return step;
  }
  step.query = BeginQuery(SearchOrigin::kSearchBox, box_text, 1, step.update);
  return step;
}

SearchStep SearchModel::LoadMore(std::string_view box_text) {
  SearchStep step;
  if (box_text.empty()) {
    RefuseEmptyText(step.update);  // the page number stays
    return step;
  }
  step.query = BeginQuery(SearchOrigin::kLoadMore, box_text, page_ + 1, step.update);
  if (step.query) step.update.panel = PanelMove::kSlideClosedIfOpen;
  return step;
}

SearchStep SearchModel::SearchFromRow(RowSearch search, std::span<const std::string> row) {
  const RowSearchRule rule = RuleOf(search);
  SearchStep step;
  const std::string text = rule.column < row.size() ? row[rule.column] : std::string();
  step.update.search_box_text = text;
  step.update.show_search_page = ShowsSearchPage(rule.origin);
  step.query = BeginQuery(rule.origin, text, 1, step.update);
  return step;
}

void SearchModel::RefuseEmptyText(SearchUpdate& update) const {
  update.error_box = ErrorBox{std::string(kSearchErrorBoxTitle), std::string(kEmptySearchText)};
  update.focus_search_box = true;
}

std::optional<PageQuery> SearchModel::BeginQuery(SearchOrigin origin, std::string_view text,
                                                 int page, SearchUpdate& update) {
  const std::optional<ServiceAddress> address = service();
  if (!address) {
    update.status_text = std::string(kNoSearchServiceText);
    return std::nullopt;
  }
  page_ = page;
  if (const auto code = CatalogueCode(catalogue_entry_)) source_ = std::string(*code);
  update.search_box_enabled = false;
  // Every request disables "加载更多" until its page has come: one left enabled from the
  // previous search would page on from a search whose first page is still on its way,
  // and the list would mix the two.
  SetLoadMore(false, update);
  PageQuery query{++last_query_, origin, page, *address, SearchFormBody(text, source_, page)};
  running_ = query.id;
  running_origin_ = origin;
  running_page_ = page;
  return query;
}

SearchUpdate SearchModel::Finish(std::uint64_t id, std::vector<SongRecord> songs) {
  SearchUpdate update;
  if (running_ != id) return update;
  running_.reset();
  const bool full_page = songs.size() == kFullPageResults;
  update.results = results_.AddPage(running_page_ == 1, std::move(songs));
  SetLoadMore(full_page, update);
  if (full_page && WritesResultCount(running_origin_)) {
    update.status_text = ResultCountText(results_.size());
  }
  update.search_box_enabled = true;
  return update;
}

void SearchModel::SetLoadMore(bool enabled, SearchUpdate& update) {
  load_more_enabled_ = enabled;
  update.load_more_enabled = enabled;
}

SearchUpdate SearchModel::SelectSource(int entry) {
  if (CatalogueCode(entry)) {
    catalogue_entry_ = entry;
    source_ = std::string(*CatalogueCode(entry));
  }
  return HideCatalogueList();
}

SearchUpdate SearchModel::ToggleCatalogueList() {
  SearchUpdate update;
  catalogue_list_visible_ = !catalogue_list_visible_;
  update.catalogue_list_visible = catalogue_list_visible_;
  update.panel = PanelMove::kSnapClosedIfOpen;
  return update;
}

SearchUpdate SearchModel::HideCatalogueList() {
  SearchUpdate update;
  catalogue_list_visible_ = false;
  update.catalogue_list_visible = false;
  return update;
}

SearchUpdate SearchModel::SearchBoxFocused() {
  SearchUpdate update;
  update.search_box_text = std::string();
  update.search_box_color = kSearchBoxTypingColor;
  update.panel = PanelMove::kSlideClosedIfOpen;
  return update;
}

SearchUpdate SearchModel::SearchBoxFocusLost() {
  SearchUpdate update;
  update.search_box_color = kSearchBoxIdleColor;
  return update;
}

}  // namespace quilla::client
