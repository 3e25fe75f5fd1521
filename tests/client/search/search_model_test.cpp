#include "client/search/search_model.h"

#include <gtest/gtest.h>

namespace quilla::client {
namespace {

std::vector<SongRecord> Songs(int first, int count) {
  std::vector<SongRecord> songs;
  for (int n = first; n < first + count; ++n) {
    const std::string id = std::to_string(n);
    songs.push_back({"Song " + id, "Singer " + id, "u" + id, "p" + id, "l" + id});
  }
  return songs;
}

class SearchModelTest : public ::testing::Test {
 protected:
  void SetUp() override { model_.SetServiceAddress("http://music.lan"); }
  SearchModel model_;
};

TEST_F(SearchModelTest, AnEmptyTextIsRefusedAndLeavesThePageNumber) {
  for (auto run : {&SearchModel::StartSearch, &SearchModel::LoadMore}) {
    const SearchStep step = (model_.*run)("");
    EXPECT_FALSE(step.query);
    ASSERT_TRUE(step.update.error_box);
    EXPECT_EQ(step.update.error_box->text, "歌曲名称不能为空！");
    EXPECT_TRUE(step.update.focus_search_box);
    EXPECT_FALSE(step.update.search_box_enabled);
    EXPECT_EQ(model_.page(), 1);
  }
}

TEST_F(SearchModelTest, WithoutAServiceNothingIsSentAndTheStatusLineSaysSo) {
  SearchModel model;
  for (const char* configured : {"", "ftp://nowhere"}) {
    model.SetServiceAddress(configured);
    const SearchStep step = model.StartSearch("abc");
    EXPECT_FALSE(step.query);
    EXPECT_EQ(step.update.status_text, "未设置搜索服务");
    EXPECT_FALSE(step.update.search_box_enabled);  // never disabled: nothing runs
    EXPECT_FALSE(model.searching());
  }
  // An address the server announced serves until one is configured.
  model.SetFallbackAddress("http://announced:81");
  EXPECT_EQ(model.StartSearch("abc").query->service, (ServiceAddress{"http", "announced:81"}));
  model.SetServiceAddress("http://configured");
  EXPECT_EQ(model.StartSearch("abc").query->service, (ServiceAddress{"http", "configured"}));
}

TEST_F(SearchModelTest, PagesAppendAndOnlyAFullPageEnablesLoadMoreAndWritesTheCount) {
  SearchStep step = model_.StartSearch("abc");
  ASSERT_TRUE(step.query);
  EXPECT_EQ(step.query->form_body, "input=abc&filter=name&type=qq&page=1");
  EXPECT_EQ(step.update.search_box_enabled, false);
  EXPECT_EQ(step.update.load_more_enabled, false);

  SearchUpdate done = model_.Finish(step.query->id, Songs(1, 10));
  EXPECT_EQ(done.results, (ResultListChange{true, 0, 10}));
  EXPECT_EQ(done.load_more_enabled, true);
  EXPECT_EQ(done.status_text, "搜索结果共10条");
  EXPECT_EQ(done.search_box_enabled, true);
  EXPECT_EQ(model_.results().Cell(9, 0), "10");

  step = model_.LoadMore("abc");
  ASSERT_TRUE(step.query);
  EXPECT_EQ(step.query->form_body, "input=abc&filter=name&type=qq&page=2");
  EXPECT_EQ(step.update.load_more_enabled, false);
  EXPECT_EQ(step.update.panel, PanelMove::kSlideClosedIfOpen);
  done = model_.Finish(step.query->id, Songs(11, 4));
  EXPECT_EQ(done.results, (ResultListChange{false, 10, 4}));
  EXPECT_EQ(done.load_more_enabled, false);
  EXPECT_FALSE(done.status_text);  // 搜索结果共10条 stays
  EXPECT_EQ(model_.results().RowCells(13),
            (std::vector<std::string>{"14", "Song 14", "Singer 14", "u14", "p14", "l14", ""}));

  // 7 or 11 results: no more pages, the status line untouched.
  for (int count : {7, 11}) {
    step = model_.StartSearch("abc");
    done = model_.Finish(step.query->id, Songs(1, count));
    EXPECT_EQ(done.load_more_enabled, false);
    EXPECT_FALSE(done.status_text);
    EXPECT_EQ(model_.results().size(), static_cast<std::size_t>(count));
  }
}

TEST_F(SearchModelTest, LoadMoreAfterACatalogueChangeKeepsThePageNumber) {
  SearchStep step = model_.StartSearch("abc");
  model_.Finish(step.query->id, Songs(1, 10));
  model_.ToggleCatalogueList();
  const SearchUpdate picked = model_.SelectSource(2);
  EXPECT_EQ(picked.catalogue_list_visible, false);
  EXPECT_EQ(model_.source(), "kuwo");
  step = model_.LoadMore("abc");
  EXPECT_EQ(step.query->form_body, "input=abc&filter=name&type=kuwo&page=2");
}

TEST_F(SearchModelTest, EachMenuSearchTakesItsCellAndDecidesPageAndStatusLine) {
  struct Case {
    RowSearch search;
    const char* searched;
    bool shows_search_page;
    bool writes_count;
  };
  // A result row's seven cells, and a history row's six.
  const std::vector<std::string> result_row{"3", "Title", "Artist", "u", "p", "l", ""};
  const std::vector<std::string> history_row{"Old title", "Old singer", "u", "p", "", ""};
  const Case cases[] = {
      {RowSearch::kResultTitle, "Title", false, true},
      {RowSearch::kResultArtist, "Artist", false, true},
      {RowSearch::kHistoryTitle, "Old title", true, false},
      {RowSearch::kHistorySinger, "Old singer", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.searched);
    // A second page is showing: the menu search starts again from page 1.
    model_.Finish(model_.StartSearch("x").query->id, Songs(1, 10));
    model_.Finish(model_.LoadMore("x").query->id, Songs(11, 10));
    const bool from_history = RuleOf(c.search).origin == SearchOrigin::kHistoryMenu;
    const SearchStep step = model_.SearchFromRow(c.search, from_history ? history_row : result_row);
    ASSERT_TRUE(step.query);
    EXPECT_EQ(step.update.search_box_text, c.searched);
    EXPECT_EQ(step.update.show_search_page, c.shows_search_page);
    EXPECT_EQ(step.query->form_body, SearchFormBody(c.searched, "qq", 1));
    const SearchUpdate done = model_.Finish(step.query->id, Songs(1, 10));
    EXPECT_TRUE(done.results->cleared);
    EXPECT_EQ(done.load_more_enabled, true);
    EXPECT_EQ(done.status_text.has_value(), c.writes_count);
  }
}

TEST_F(SearchModelTest, ANewerSearchSupersedesTheRunningOne) {
  const SearchStep first = model_.StartSearch("first");
  const SearchStep second = model_.StartSearch("second");
  EXPECT_NE(first.query->id, second.query->id);
  model_.Finish(second.query->id, Songs(1, 3));
  // The first search's late answer changes nothing, the list keeps the second's rows.
  EXPECT_TRUE(model_.Finish(first.query->id, Songs(100, 10)).empty());
  EXPECT_EQ(model_.results().size(), 3u);
  EXPECT_EQ(model_.results().row(0).title, "Song 1");
  EXPECT_FALSE(model_.load_more_enabled());
  EXPECT_FALSE(model_.searching());
}

TEST_F(SearchModelTest, TheCatalogueListAndThePlaceholderBox) {
  SearchUpdate u = model_.ToggleCatalogueList();
  EXPECT_EQ(u.catalogue_list_visible, true);
  EXPECT_EQ(u.panel, PanelMove::kSnapClosedIfOpen);
  EXPECT_EQ(model_.ToggleCatalogueList().catalogue_list_visible, false);
  model_.ToggleCatalogueList();
  u = model_.SelectSource(-1);  // no entry: the catalogue stays
  EXPECT_EQ(u.catalogue_list_visible, false);
  EXPECT_EQ(model_.source(), "qq");
  model_.SelectSource(4);
  EXPECT_EQ(model_.source(), "netease");

  u = model_.SearchBoxFocused();
  EXPECT_EQ(u.search_box_text, "");
  EXPECT_EQ(u.search_box_color, kSearchBoxTypingColor);
  EXPECT_EQ(u.panel, PanelMove::kSlideClosedIfOpen);
  u = model_.SearchBoxFocusLost();
  EXPECT_FALSE(u.search_box_text);  // the text stays
  EXPECT_EQ(u.search_box_color, 0xC0C0C0u);
}

}  // namespace
}  // namespace quilla::client
