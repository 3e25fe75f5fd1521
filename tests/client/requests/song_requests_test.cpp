#include "client/requests/song_requests.h"

#include <gtest/gtest.h>

#include "client/requests/list_menus.h"
#include "protocol/messages.h"
#include "support/outbox.h"

namespace quilla::client {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A clock the test moves by hand.
struct ManualClock {
  Clock::time_point now = Clock::time_point(1000h);
  MonotonicClock Source() {
    return [this] { return now; };
  }
};

SongRecord Song(const std::string& title) {
  return {title, title + " singer", "http://music.example/" + title + ".mp3",
          "http://music.example/" + title + ".jpg", "[00:01.00]" + title};
}

using testing::Outbox;

TEST(RequestLimiter, TheIntervalTable) {
  struct Step {
    std::chrono::milliseconds at;  // since the first attempt
    std::int32_t interval_s;
    bool accepted;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"the first request is never limited", {{0ms, 30, true}}},
      {"10 s later refused, 30 s after the first accepted",
       {{0ms, 30, true}, {10s, 30, false}, {30s, 30, true}}},
      {"a refused attempt does not count",
       {{0ms, 30, true},
        {29s, 30, false},
        {29999ms, 30, false},
        {30s, 30, true},
        {59s, 30, false}}},
      {"whole seconds: 29.9 s is 29", {{0ms, 30, true}, {29900ms, 30, false}}},
      {"interval 0 lets everything through", {{0ms, 0, true}, {0ms, 0, true}, {1ms, 0, true}}},
      {"the interval in force at the attempt counts",
       {{0ms, 0, true}, {5s, 15, false}, {15s, 15, true}, {16s, 1, true}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ManualClock clock;
    const Clock::time_point start = clock.now;
    RequestLimiter limiter(clock.Source());
    for (const Step& step : c.steps) {
      clock.now = start + step.at;
      EXPECT_EQ(limiter.TryRequest(step.interval_s), step.accepted) << step.at.count() << " ms";
    }
  }
}

TEST(SongRequests, ARequestSendsTheSixFieldsAndBecomesTheTopRow) {
  ManualClock clock;
  SongRequests requests(clock.Source());
  Outbox outbox;
  const SongRecord song = Song("A");
  const RequestUpdate u = requests.RequestSelectedSong(&song, "Ann", 30, outbox.Send());

  ASSERT_EQ(outbox.blocks.size(), 1u);
  const auto sent = protocol::ParseRequestSong(protocol::DecodeMessage(outbox.blocks[0]));
  ASSERT_TRUE(sent);
  EXPECT_EQ(*sent, (protocol::SongRequest{"Ann", "A", "A singer", "http://music.example/A.mp3",
                                          "http://music.example/A.jpg", "[00:01.00]A"}));
  EXPECT_EQ(u.status_text, "点播歌曲《A》成功！");
  EXPECT_EQ(u.history_edits, (std::vector<HistoryEdit>{{HistoryEdit::Kind::kInsertedAtTop, 0, 1}}));
  EXPECT_EQ(u.count_text, "累计点歌1次");
  EXPECT_EQ(requests.history().row(0),
            (std::vector<std::string>{"A", "A singer", "http://music.example/A.mp3",
                                      "http://music.example/A.jpg", "", ""}));
}

TEST(SongRequests, TooFastShowsTheWaitAndChangesNothing) {
  ManualClock clock;
  SongRequests requests(clock.Source());
  Outbox outbox;
  const SongRecord a = Song("A"), b = Song("B");
  requests.RequestSelectedSong(&a, "Ann", 30, outbox.Send());
  clock.now += 10s;
  const RequestUpdate u = requests.RequestSelectedSong(&b, "Ann", 30, outbox.Send());
  EXPECT_EQ(u.notice_box, "点歌时间间隔过快！请30秒后再点！");
  EXPECT_FALSE(u.status_text);
  EXPECT_TRUE(u.history_edits.empty());
  EXPECT_EQ(outbox.blocks.size(), 1u);
  EXPECT_EQ(requests.history().size(), 1u);
}

TEST(SongRequests, ARefusedSendSaysSoAndTheSongIsStillRecorded) {
  SongRequests requests;
  Outbox outbox;
  outbox.connected = false;
  const SongRecord song = Song("A");
  const RequestUpdate u = requests.RequestSelectedSong(&song, "Ann", 0, outbox.Send());
  EXPECT_EQ(u.status_text, "点播失败！");
  EXPECT_EQ(requests.history().size(), 1u);
  EXPECT_EQ(u.count_text, "累计点歌1次");
}

TEST(SongRequests, ADoubleClickOnNoRowDoesNothingAtAll) {
  ManualClock clock;
  SongRequests requests(clock.Source());
  Outbox outbox;
  EXPECT_TRUE(requests.RequestSelectedSong(nullptr, "Ann", 30, outbox.Send()).empty());
  EXPECT_TRUE(outbox.blocks.empty());
  EXPECT_TRUE(requests.history().empty());
  // It did not use up the first request either.
  clock.now += 1s;
  const SongRecord song = Song("A");
  EXPECT_EQ(requests.RequestSelectedSong(&song, "Ann", 30, outbox.Send()).status_text,
            "点播歌曲《A》成功！");
}

TEST(SongRequests, TheCountFollowsEveryChange) {
  SongRequests requests;
  Outbox outbox;
  EXPECT_EQ(requests.CountText(), "累计点歌0次");
  for (const char* title : {"A", "B", "C"}) {
    const SongRecord song = Song(title);
    requests.RequestSelectedSong(&song, "Ann", 0, outbox.Send());
  }
  EXPECT_EQ(requests.history().row(0)[0], "C");
  EXPECT_EQ(requests.history().row(2)[0], "A");

  RequestUpdate u = requests.DeleteSelectedHistoryRow(1);
  EXPECT_EQ(u.history_edits, (std::vector<HistoryEdit>{{HistoryEdit::Kind::kRemoved, 1, 1}}));
  EXPECT_EQ(u.count_text, "累计点歌2次");
  EXPECT_EQ(requests.history().row(1)[0], "A");

  for (std::optional<std::size_t> none :
       {std::optional<std::size_t>(), std::optional<std::size_t>(5)}) {
    u = requests.DeleteSelectedHistoryRow(none);
    EXPECT_TRUE(u.history_edits.empty());
    EXPECT_EQ(u.count_text, "累计点歌2次");
  }
  u = requests.ClearHistory();
  EXPECT_EQ(u.history_edits, (std::vector<HistoryEdit>{{HistoryEdit::Kind::kCleared, 0, 0}}));
  EXPECT_EQ(u.count_text, "累计点歌0次");
}

TEST(SongRequests, ARefusedSkipShowsTheErrorBox) {
  SongRequests requests;
  Outbox outbox;
  EXPECT_TRUE(requests.SkipCurrentSong("Ann", outbox.Send()).empty());
  ASSERT_EQ(outbox.blocks.size(), 1u);
  const protocol::Message skip = protocol::DecodeMessage(outbox.blocks[0]);
  EXPECT_EQ(skip.command, protocol::Command::kClientSkip);
  EXPECT_EQ(protocol::PayloadUtf8(skip), "Ann");

  outbox.connected = false;
  const RequestUpdate u = requests.SkipCurrentSong("Ann", outbox.Send());
  EXPECT_EQ(u.error_box, (ErrorBox{"错误！", "切歌失败！"}));
}

TEST(ListMenus, AMenuOpensOnlyOverASelectedRow) {
  EXPECT_FALSE(MenuForRightClick(SongList::kSearchResults, -1));
  EXPECT_FALSE(MenuForRightClick(SongList::kRequestHistory, -1));
  const auto songs = MenuForRightClick(SongList::kSearchResults, 0);
  ASSERT_TRUE(songs);
  EXPECT_EQ(songs->name, "歌曲操作");
  ASSERT_EQ(songs->entries.size(), 3u);
  EXPECT_EQ(songs->entries[1].text, "搜索此歌手");
  EXPECT_EQ(songs->entries[1].search, RowSearch::kResultArtist);
  EXPECT_EQ(songs->entries[2].text, "下载此歌曲");
  EXPECT_FALSE(songs->entries[2].search);
  const auto records = MenuForRightClick(SongList::kRequestHistory, 4);
  ASSERT_TRUE(records);
  EXPECT_EQ(records->name, "记录操作");
  EXPECT_EQ(records->entries[0].text, "搜索选中歌曲");
  EXPECT_EQ(records->entries[1].search, RowSearch::kHistorySinger);
}

}  // namespace
}  // namespace quilla::client
