#pragma once
// The music search as plain state and decisions: what each control of the search area
// does, which page request goes out, and what its answer does to the window. No threads
// and no network here (SearchController runs the requests).
//
// Not thread-safe: one object, used on the GUI thread.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "client/core/session_state.h"
#include "client/search/search_catalogue.h"
#include "client/search/search_result_list.h"
#include "client/search/search_service.h"
#include "client/search/song_record.h"

namespace quilla::client {

// What started a page request.
enum class SearchOrigin {
  kSearchBox,    // Enter in "搜索框", or a click on the magnifier "搜索歌曲"
  kLoadMore,     // "加载更多"
  kSongMenu,     // "歌曲操作" on SearchResultList
  kHistoryMenu,  // "记录操作" on RequestHistory
};

// The four context-menu searches.
enum class RowSearch {
  kResultTitle,    // "搜索此歌曲"
  kResultArtist,   // "搜索此歌手"
  kHistoryTitle,   // "搜索选中歌曲"
  kHistorySinger,  // "搜索选中歌手"
};

struct RowSearchRule {
  std::string_view entry_text;  // the menu entry
  std::size_t column;           // the cell of the selected row that is searched for
  SearchOrigin origin;          // kSongMenu or kHistoryMenu
};

constexpr RowSearchRule RuleOf(RowSearch search) {
  switch (search) {
    case RowSearch::kResultTitle:
      return {"搜索此歌曲", 1, SearchOrigin::kSongMenu};
    case RowSearch::kResultArtist:
      return {"搜索此歌手", 2, SearchOrigin::kSongMenu};
    case RowSearch::kHistoryTitle:
      return {"搜索选中歌曲", 0, SearchOrigin::kHistoryMenu};
    case RowSearch::kHistorySinger:
      return {"搜索选中歌手", 1, SearchOrigin::kHistoryMenu};
  }
  return {"", 0, SearchOrigin::kSongMenu};
}

// Searches from the history menu never write the result count into the status line and
// bring the search page to the front; all others write it on a full page.
constexpr bool WritesResultCount(SearchOrigin origin) {
  return origin != SearchOrigin::kHistoryMenu;
}
constexpr bool ShowsSearchPage(SearchOrigin origin) {
  return origin == SearchOrigin::kHistoryMenu;
}

// Texts and colours of the search area.
inline constexpr std::string_view kSearchBoxInitialText = "搜索";
inline constexpr std::string_view kEmptySearchText = "歌曲名称不能为空！";
inline constexpr std::string_view kNoSearchServiceText = "未设置搜索服务";
inline constexpr std::string_view kSearchErrorBoxTitle = "Quilla客户端";
// 0xRRGGBB: black while the user types, silver otherwise.
inline constexpr std::uint32_t kSearchBoxTypingColor = 0x000000;
inline constexpr std::uint32_t kSearchBoxIdleColor = 0xC0C0C0;

// "搜索结果共" + rows + "条".
std::string ResultCountText(std::size_t rows);

// One page request to send.
struct PageQuery {
  std::uint64_t id = 0;  // increases with every query; only the newest one's answer counts
  SearchOrigin origin = SearchOrigin::kSearchBox;
  int page = 1;
  ServiceAddress service;
  std::string form_body;
};

// What one step did to the search area; the window applies each member that is set.
struct SearchUpdate {
  std::optional<bool> search_box_enabled;
  std::optional<std::string> search_box_text;
  std::optional<std::uint32_t> search_box_color;  // 0xRRGGBB
  std::optional<bool> load_more_enabled;
  // "音乐选择框" shown (true) or hidden; the label "透明标签6" takes the other state.
  std::optional<bool> catalogue_list_visible;
  std::optional<std::string> status_text;  // `透明标签1`
  std::optional<ResultListChange> results;
  std::optional<ErrorBox> error_box;  // shown before anything else; then focus_search_box
  bool focus_search_box = false;
  // The tab control "选择夹1" to page 0 ("在线点歌") and the page marker "图片框9" to top 159.
  bool show_search_page = false;
  PanelMove panel = PanelMove::kNone;

  bool empty() const;
};

// An action's update and, when one should go out, the page request.
struct SearchStep {
  SearchUpdate update;
  std::optional<PageQuery> query;
};

class SearchModel {
 public:
  // The service address from the settings (pz.ini "Services"/"Search"). An empty or
  // unreadable text means none is configured.
  void SetServiceAddress(std::string_view base_url);
  // An address learnt elsewhere (announced by the server); used while none is configured.
  void SetFallbackAddress(std::string_view base_url);
  // The address a search uses now, std::nullopt when none is known.
  std::optional<ServiceAddress> service() const;

  // StartSearch (Enter or the magnifier) with the text the search box holds.
  SearchStep StartSearch(std::string_view box_text);
  // "加载更多" with the text the search box holds.
  SearchStep LoadMore(std::string_view box_text);
  // A context-menu search over the cells of the selected row of its list (a menu opens
  // only over a selected row); a missing cell searches for the empty text.
  SearchStep SearchFromRow(RowSearch search, std::span<const std::string> row);
  // The songs that answer query `id`. An answer to any query but the newest is dropped
  // (empty update, nothing changes).
  SearchUpdate Finish(std::uint64_t id, std::vector<SongRecord> songs);

  // SelectSource: the user picked entry `entry` of "音乐选择框" (0..4 set SearchSource;
  // other values leave it); the list is hidden again.
  SearchUpdate SelectSource(int entry);
  // "图形按钮": show the catalogue list if hidden, hide it if shown.
  SearchUpdate ToggleCatalogueList();
  // The search box acts as its own placeholder: focusing clears it for typing (whatever
  // it held), leaving it greys the text.
  SearchUpdate SearchBoxFocused();
  SearchUpdate SearchBoxFocusLost();

  int page() const { return page_; }                        // SearchPage
  const std::string& source() const { return source_; }     // SearchSource
  int catalogue_entry() const { return catalogue_entry_; }  // selected entry, 0..4
  bool catalogue_list_visible() const { return catalogue_list_visible_; }
  bool load_more_enabled() const { return load_more_enabled_; }
  // A page request is out and its answer still counts.
  bool searching() const { return running_.has_value(); }
  std::optional<std::uint64_t> running_query() const { return running_; }
  const SearchResultList& results() const { return results_; }

 private:
  // Steps that every page request takes: the search box disabled, the catalogue read,
  // the form built.
  // The query for `page` (which becomes SearchPage), or std::nullopt when no service is
  // known (the status line then says so and nothing changes).
  std::optional<PageQuery> BeginQuery(SearchOrigin origin, std::string_view text, int page,
                                      SearchUpdate& update);
  void RefuseEmptyText(SearchUpdate& update) const;
  void SetLoadMore(bool enabled, SearchUpdate& update);
  SearchUpdate HideCatalogueList();

  std::optional<ServiceAddress> configured_;
  std::optional<ServiceAddress> fallback_;
  int page_ = 1;
  std::string source_{kDefaultSearchSource};
  int catalogue_entry_ = 0;
  bool catalogue_list_visible_ = false;
  bool load_more_enabled_ = false;
  std::uint64_t last_query_ = 0;
  std::optional<std::uint64_t> running_;
  SearchOrigin running_origin_ = SearchOrigin::kSearchBox;
  int running_page_ = 1;
  SearchResultList results_;
};

}  // namespace quilla::client
