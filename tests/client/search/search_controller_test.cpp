// The search against a local stand-in of the music search service. The test thread plays
// the GUI thread: it runs what the controller posts.

#include "client/search/search_controller.h"

#include <gtest/gtest.h>

#include "support/free_port.h"
#include "support/search_service_stand_in.h"
#include "support/task_queue.h"
#include "support/wait_until.h"

namespace quilla::client {
namespace {

using testing::NumberedSongs;
using testing::SearchAnswerJson;

// The search area as a window shows it, edited only through the updates.
struct SearchAreaView {
  bool box_enabled = true;  // connected
  std::string box_text{kSearchBoxInitialText};
  bool load_more_enabled = false;
  std::string status_text = "连接服务端成功！";
  int page_shown = 1;  // the window is on the history page
  std::vector<std::vector<std::string>> rows;
  int updates = 0;

  void Apply(const SearchUpdate& u, const SearchResultList& list) {
    ++updates;
    if (u.search_box_enabled) box_enabled = *u.search_box_enabled;
    if (u.search_box_text) box_text = *u.search_box_text;
    if (u.load_more_enabled) load_more_enabled = *u.load_more_enabled;
    if (u.status_text) status_text = *u.status_text;
    if (u.show_search_page) page_shown = 0;
    if (u.results) {
      if (u.results->cleared) rows.clear();
      ASSERT_EQ(u.results->first_added, rows.size());
      for (std::size_t r = 0; r < u.results->added; ++r) rows.push_back(list.RowCells(rows.size()));
    }
  }
};

class SearchControllerTest : public ::testing::Test {
 protected:
  SearchControllerTest()
      : search_(SearchHost{gui_.Poster()},
                [this](const SearchUpdate& u) { view_.Apply(u, search_.results()); }) {
    search_.SetServiceAddress(service_.Base());
  }

  // Waits until the running request has been answered and applied.
  bool SearchDone() {
    return gui_.RunUntil([&] { return !search_.model().searching(); });
  }

  testing::SearchServiceStandIn service_;
  testing::TaskQueue gui_;
  SearchAreaView view_;
  SearchController search_;
};

TEST_F(SearchControllerTest, AFullPageThenASecondPageOfFour) {
  service_.Answer("input=%E4%BD%A0%E5%A5%BD&filter=name&type=qq&page=1",
                  SearchAnswerJson(NumberedSongs(1, 10)));
  service_.Answer("input=%E4%BD%A0%E5%A5%BD&filter=name&type=qq&page=2",
                  SearchAnswerJson(NumberedSongs(11, 4)));

  search_.StartSearch("你好");
  EXPECT_FALSE(view_.box_enabled);  // while the request runs
  ASSERT_TRUE(SearchDone());
  ASSERT_EQ(view_.rows.size(), 10u);
  EXPECT_EQ(view_.rows[0],
            (std::vector<std::string>{"1", "Song 1", "Singer 1", "http://music.example/1.mp3",
                                      "http://music.example/1.jpg", "[00:01.00]line 1", ""}));
  EXPECT_EQ(view_.rows[9][0], "10");
  EXPECT_TRUE(view_.load_more_enabled);
  EXPECT_TRUE(view_.box_enabled);
  EXPECT_EQ(view_.status_text, "搜索结果共10条");

  // What went out: a form POST to the root with the browser's header block, the
  // service's own host in it, and the real length of the body.
  const httplib::Request request = service_.http().LastRequest();
  const std::string host = "127.0.0.1:" + std::to_string(service_.http().port());
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.path, "/");
  EXPECT_EQ(request.body, "input=%E4%BD%A0%E5%A5%BD&filter=name&type=qq&page=1");
  EXPECT_EQ(request.get_header_value("Host"), host);
  EXPECT_EQ(request.get_header_value("Origin"), "http://" + host + "/");
  EXPECT_EQ(request.get_header_value("Referer"), "http://" + host + "/");
  EXPECT_EQ(request.get_header_value("X-Requested-With"), "XMLHttpRequest");
  EXPECT_EQ(request.get_header_value("Accept"), "application/json, text/javascript, */*; q=0.01");
  EXPECT_EQ(request.get_header_value("Accept-Language"), "zh-CN,zh;q=0.8");
  EXPECT_EQ(request.get_header_value("Content-Type"),
            "application/x-www-form-urlencoded; charset=UTF-8");
  EXPECT_EQ(request.get_header_value("Content-Length"), std::to_string(request.body.size()));
  EXPECT_TRUE(request.get_header_value("User-Agent").starts_with("Mozilla/5.0 (Windows NT 6.1"));
  EXPECT_EQ(request.get_header_value_count("Accept"), 1u);

  search_.LoadMore("你好");
  EXPECT_FALSE(view_.load_more_enabled);
  ASSERT_TRUE(SearchDone());
  ASSERT_EQ(view_.rows.size(), 14u);
  EXPECT_EQ(view_.rows[10][0], "11");
  EXPECT_EQ(view_.rows[13][1], "Song 14");
  EXPECT_FALSE(view_.load_more_enabled);
  EXPECT_EQ(view_.status_text, "搜索结果共10条");
  EXPECT_TRUE(view_.box_enabled);
}

TEST_F(SearchControllerTest, EscapesAndNullsOfTheAnswerReachTheRowsDecoded) {
  std::string answer = SearchAnswerJson({
      {"\\u4f60\\u597d", "Rock \\u2019n roll", std::nullopt, "http:\\/\\/m\\/a%20b.mp3", "p1"},
      {"Dropped", "x", "l", "u", "NULL_PIC"},
      {"Kept", "y", "l", "u", "p3"},
  });
  const std::string pic = R"("pic":"NULL_PIC")";
  answer.replace(answer.find(pic), pic.size(), R"("pic":null)");
  service_.Answer(SearchFormBody("escapes", "qq", 1), answer);
  search_.StartSearch("escapes");
  ASSERT_TRUE(SearchDone());
  ASSERT_EQ(view_.rows.size(), 2u);
  EXPECT_EQ(view_.rows[0],
            (std::vector<std::string>{"1", "你好", "Rock 'n roll", "http://m/a b.mp3", "p1",
                                      "No lyrics that match the song.", ""}));
  EXPECT_EQ(view_.rows[1][1], "Kept");
}

TEST_F(SearchControllerTest, SevenResultsLeaveTheStatusLineAlone) {
  service_.Answer(SearchFormBody("seven", "qq", 1), SearchAnswerJson(NumberedSongs(1, 7)));
  search_.StartSearch("seven");
  ASSERT_TRUE(SearchDone());
  EXPECT_EQ(view_.rows.size(), 7u);
  EXPECT_FALSE(view_.load_more_enabled);
  EXPECT_EQ(view_.status_text, "连接服务端成功！");
}

TEST_F(SearchControllerTest, AnUnreachableServiceOrGarbageEndsWithAnEnabledBoxAndNoRows) {
  service_.Answer(SearchFormBody("garbage", "qq", 1), "<html><body>502 Bad Gateway</body></html>");
  search_.StartSearch("garbage");
  ASSERT_TRUE(SearchDone());
  EXPECT_TRUE(view_.rows.empty());
  EXPECT_TRUE(view_.box_enabled);
  EXPECT_FALSE(view_.load_more_enabled);

  search_.SetServiceAddress("http://127.0.0.1:" + std::to_string(testing::FreeLoopbackPort()));
  search_.StartSearch("unreachable");
  EXPECT_FALSE(view_.box_enabled);
  ASSERT_TRUE(SearchDone());
  EXPECT_TRUE(view_.rows.empty());
  EXPECT_TRUE(view_.box_enabled);
  EXPECT_EQ(view_.status_text, "连接服务端成功！");
}

TEST_F(SearchControllerTest, TheHistorysSingerSearchShowsTheSearchPageAndLeavesTheStatusLine) {
  service_.Answer(SearchFormBody("Old singer", "qq", 1), SearchAnswerJson(NumberedSongs(1, 10)));
  const std::vector<std::string> history_row{"Old title", "Old singer", "u", "p", "", ""};
  search_.SearchFromRow(RowSearch::kHistorySinger, history_row);
  EXPECT_EQ(view_.page_shown, 0);
  EXPECT_EQ(view_.box_text, "Old singer");
  ASSERT_TRUE(SearchDone());
  EXPECT_EQ(view_.rows.size(), 10u);
  EXPECT_TRUE(view_.load_more_enabled);
  EXPECT_EQ(view_.status_text, "连接服务端成功！");  // even on a full page
}

TEST_F(SearchControllerTest, ASecondSearchSupersedesOneThatStillRuns) {
  const std::string slow = SearchFormBody("slow", "qq", 1);
  service_.Answer(slow, SearchAnswerJson(NumberedSongs(1, 10, "Slow")));
  service_.Answer(SearchFormBody("quick", "qq", 1), SearchAnswerJson(NumberedSongs(1, 3, "Quick")));
  service_.Hold(slow);

  search_.StartSearch("slow");
  ASSERT_TRUE(testing::WaitUntil([&] { return service_.http().ArrivalsAt("/").size() == 1; }));
  search_.StartSearch("quick");
  ASSERT_TRUE(SearchDone());
  ASSERT_EQ(view_.rows.size(), 3u);

  // The slow answer is let go; whatever becomes of it, it never reaches the list.
  service_.ReleaseAll();
  ASSERT_TRUE(testing::WaitUntil([&] { return search_.workers_running() == 0; }));
  gui_.RunPending();
  ASSERT_EQ(view_.rows.size(), 3u);
  EXPECT_EQ(view_.rows[0][1], "Quick 1");
  EXPECT_FALSE(view_.load_more_enabled);
  EXPECT_TRUE(view_.box_enabled);
}

TEST_F(SearchControllerTest, WithoutAServiceASearchSendsNothing) {
  SearchController search(SearchHost{gui_.Poster()},
                          [this](const SearchUpdate& u) { view_.Apply(u, search_.results()); });
  search.SetServiceAddress("");
  search.StartSearch("abc");
  EXPECT_EQ(view_.status_text, "未设置搜索服务");
  EXPECT_TRUE(view_.box_enabled);
  EXPECT_EQ(search.workers_running(), 0u);
  EXPECT_TRUE(service_.http().Requests().empty());
}

}  // namespace
}  // namespace quilla::client
