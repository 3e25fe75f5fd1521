// The engine with a media host and a radio service that keep it waiting (held opens, held
// workers): nothing waits on them, a start under way keeps the player busy, a newer start
// supersedes it without a trace, and the messages keep their order once the stream opens.

#include <gtest/gtest.h>

#include <algorithm>

#include "server/fakes/engine_fixture.h"

namespace quilla::server::testing {
namespace {

using Commands = std::vector<std::string>;

class SlowServicesTest : public EngineFixture {
 protected:
  void SetUp() override {
    radio.lists["public_tuijian_rege"] = {{"r1", "r2"}};
    for (const char* id : {"r1", "r2"}) {
      radio.songs[id] =
          RadioSong{std::string("Radio ") + id, "DJ", std::string("http://radio/") + id,
                    std::string("http://lrc/") + id};
      radio.pictures[id] = std::string("http://pic/") + id;
      radio.lyrics[std::string("http://lrc/") + id] = "[00:00.50]radio words";
    }
    engine->Create("/nonexistent/sys.ini", "127.0.0.1");
    engine->StartServer();
    Join(11, "Ann");
    engine->SetVoiceEnabled(true);
    outbox.journal = &journal;
    speaker.journal = &journal;
    player.hold_opens = true;
    outbox.sent.clear();
  }
  std::vector<std::string> QueueTitles() const {
    std::vector<std::string> titles;
    for (const auto& s : engine_->queue()) titles.push_back(s.title);
    return titles;
  }
  // Everything sent or spoken, minus the progress ticks.
  Journal Announced() const {
    Journal out;
    for (const auto& entry : journal) {
      if (entry != "send 歌曲进度" && entry != "send 歌曲时间" && entry != "send 歌词变更") {
        out.push_back(entry);
      }
    }
    return out;
  }
  std::string HeldUrl(std::size_t i = 0) const { return player.held.at(i).url; }

  Journal journal;
};

TEST_F(SlowServicesTest, ARequestIsAnnouncedBroadcastThenRemovedOnlyOnceItsStreamHasOpened) {
  Request(11, "Ann", "Slow");
  Request(11, "Ann", "Next");
  journal.clear();
  engine->RequestTick();
  ASSERT_EQ(player.held.size(), 1u);
  EXPECT_EQ(HeldUrl(), "http://song/Slow");
  EXPECT_TRUE(engine_->start_under_way());
  EXPECT_TRUE(Announced().empty()) << "nothing of it before its stream has opened";
  EXPECT_EQ(engine_->current_stream(), 0u);

  // Meanwhile the engine goes on: ticks, joins and requests are handled, and the player
  // counts as busy, so no second song starts.
  for (int i = 0; i < 5; ++i) {
    engine->ProgressTick(ProgressMode::kRequest);
    engine->RequestTick();
  }
  Join(12, "Bob");
  EXPECT_EQ(outbox.CommandsTo(12).front(), "首次获取");
  EXPECT_EQ(player.held.size(), 1u);
  EXPECT_EQ(QueueTitles(), (std::vector<std::string>{"Slow", "Next"}));

  journal.clear();
  player.FinishOpen();
  Settle();
  EXPECT_FALSE(engine_->start_under_way());
  EXPECT_EQ(Announced(),
            (Journal{"speak 即将播放的歌曲来自 Ann 点播的Slow", "send 歌曲播放", "send 歌曲播放"}));
  EXPECT_EQ(player.IsActive(engine_->current_stream()), 1);
  EXPECT_EQ(engine_->current_lyrics(), "[00:01.00]la");
  EXPECT_EQ(engine_->now_playing().song_text, "Slow - Singer");
  // The row leaves after the short pause that follows the opening.
  EXPECT_EQ(QueueTitles(), (std::vector<std::string>{"Slow", "Next"}));
  deferrer.RunAll();
  EXPECT_EQ(QueueTitles(), (std::vector<std::string>{"Next"}));
}

TEST_F(SlowServicesTest, ASkipSupersedesASlowStartWhichLeavesNoTrace) {
  Request(11, "Ann", "Slow");
  Request(11, "Ann", "Next");
  engine->RequestTick();
  journal.clear();
  engine->OnData(11, protocol::BuildClientSkip("Ann"));
  ASSERT_EQ(player.held.size(), 2u);
  EXPECT_EQ(HeldUrl(1), "http://song/Next");

  // The superseded open answers after the newer one, and before it: neither way is any of
  // it announced, broadcast or played.
  player.FinishOpen(1);
  Settle();
  const StreamHandle next = engine_->current_stream();
  player.FinishOpen(0);
  Settle();
  EXPECT_EQ(engine_->current_stream(), next);
  EXPECT_EQ(player.Playing(), (std::vector<StreamHandle>{next}));
  EXPECT_EQ(player.streams.at(next).url, "http://song/Next");
  EXPECT_EQ(Announced(),
            (Journal{"send 切歌提示", "speak 即将播放的歌曲来自 Ann 点播的Next", "send 歌曲播放"}));
  EXPECT_EQ(outbox.sent.back().payload, "Anng【*】cNextg【*】cSingerg【*】chttp://cover/Next");
  EXPECT_EQ(player.calls.back(), "close " + std::to_string(next + 1));
  // Nobody heard of "Slow": it stays queued and plays after "Next".
  deferrer.RunAll();
  EXPECT_EQ(QueueTitles(), (std::vector<std::string>{"Slow"}));
}

TEST_F(SlowServicesTest, AStopOfTheServerWhileAStartIsUnderWayLeavesNoStreamPlaying) {
  Request(11, "Ann", "Slow");
  engine->RequestTick();
  ASSERT_EQ(player.held.size(), 1u);
  journal.clear();
  engine->StopServer();
  EXPECT_FALSE(engine_->start_under_way());
  // Freeing the output abandons the open; even a late answer would be closed.
  EXPECT_TRUE(player.held.empty());
  EXPECT_TRUE(player.Playing().empty());
  EXPECT_TRUE(Announced().empty());
  EXPECT_EQ(QueueTitles(), (std::vector<std::string>{"Slow"}));

  // Started again, the row is there to be played.
  player.hold_opens = false;
  engine->StartServer();
  engine->RequestTick();
  EXPECT_EQ(player.streams.at(engine_->current_stream()).url, "http://song/Slow");
}

TEST_F(SlowServicesTest, AStopWhileTheRadioIsLookedUpOpensNothingLater) {
  hold_work = true;
  engine->SetRandomPlay(true);
  Settle();
  ASSERT_EQ(work.jobs.size(), 1u);  // the lookups of r1 wait on the radio service
  engine->StopServer();
  work.RunAll();
  Settle();
  EXPECT_TRUE(player.held.empty()) << "no stream asked for";
  EXPECT_EQ(std::count(player.calls.begin(), player.calls.end(), "create http://radio/r1"), 0);
  EXPECT_TRUE(Announced().empty());
}

TEST_F(SlowServicesTest, ASlowRadioSongStartsWithItsMessagesInOrder) {
  hold_work = true;
  journal.clear();
  engine->SetRandomPlay(true);
  ASSERT_EQ(work.jobs.size(), 1u);
  EXPECT_TRUE(engine_->start_under_way());
  // The radio service keeps the engine waiting for nothing: ticks and joins go on.
  engine->RadioCheckTick();
  engine->ProgressTick(ProgressMode::kRadio);
  Join(12, "Bob");
  EXPECT_EQ(outbox.CommandsTo(12),
            (Commands{"首次获取", "时间间隔", "切歌按钮显示"}));  // the join state
  journal.clear();

  work.RunAll();  // the song, its picture and its lyrics
  Settle();
  ASSERT_EQ(player.held.size(), 1u);
  EXPECT_EQ(HeldUrl(), "http://radio/r1");
  EXPECT_TRUE(Announced().empty()) << "not before the stream has opened";
  player.FinishOpen();
  Settle();
  EXPECT_EQ(Announced(), (Journal{"speak 即将播放的歌曲来自系统随机点播的Radio r1", "send 系统随机",
                                  "send 系统随机"}));
  EXPECT_EQ(engine_->current_lyrics(), "[00:00.50]radio words");
  EXPECT_EQ(engine_->now_playing().song_text, "Radio r1 - DJ");
  EXPECT_EQ(player.IsActive(engine_->current_stream()), 1);
}

TEST_F(SlowServicesTest, APlayedRowSupersedesARadioStartStillBeingLookedUp) {
  hold_work = true;
  engine->SetRandomPlay(true);
  Request(11, "Ann", "Wanted");
  journal.clear();
  player.hold_opens = false;
  engine->PlayRowNow(0);
  EXPECT_EQ(player.streams.at(engine_->current_stream()).url, "http://song/Wanted");
  work.RunAll();  // the radio service answers late
  Settle();
  EXPECT_EQ(std::count(player.calls.begin(), player.calls.end(), "create http://radio/r1"), 0);
  EXPECT_EQ(Announced(), (Journal{"speak 即将播放的歌曲来自 Ann 点播的Wanted", "send 歌曲播放"}));
}

TEST_F(SlowServicesTest, ASlowStartThatFailsCountsAsASongThatEndedAtOnce) {
  player.failing_urls["http://song/Broken"] = true;
  Request(11, "Ann", "Broken");
  Request(11, "Ann", "Fine");
  engine->RequestTick();
  // The progress tick sees no stream while the start is under way, and ends nothing.
  for (int i = 0; i < 3; ++i) engine->ProgressTick(ProgressMode::kRequest);
  EXPECT_EQ(player.held.size(), 1u);
  journal.clear();
  player.FinishOpen();
  Settle();
  EXPECT_EQ(engine_->current_stream(), 0u);
  EXPECT_EQ(Announced(), (Journal{"speak 即将播放的歌曲来自 Ann 点播的Broken", "send 歌曲播放"}));
  engine->ProgressTick(ProgressMode::kRequest);  // ends at once: the next one starts
  ASSERT_EQ(player.held.size(), 1u);
  EXPECT_EQ(HeldUrl(), "http://song/Fine");
}

TEST_F(SlowServicesTest, ARadioSongDueWhileTheListIsOnItsWayStartsWhenItComes) {
  hold_work = true;
  engine->SelectChannel(2);  // the list of "KTV金曲" is on its way
  radio.lists["public_tuijian_ktv"] = {{"k1"}};
  radio.songs["k1"] = RadioSong{"Karaoke", "Band", "http://radio/k1", ""};
  engine->SetRandomPlay(true);
  EXPECT_FALSE(engine_->start_under_way()) << "waits for the list it is to play from";
  EXPECT_TRUE(observer.JoinedLog().find("列表为空") == std::string::npos);
  player.hold_opens = false;
  hold_work = false;
  Settle();
  EXPECT_EQ(player.streams.at(engine_->current_stream()).url, "http://radio/k1");
}

TEST_F(SlowServicesTest, OnlyTheListOfTheLastChosenChannelCounts) {
  radio.lists["public_tuijian_ktv"] = {{"k1"}};
  radio.lists["public_tuijian_chengmingqu"] = {{"c1", "c2"}};
  hold_work = true;
  engine->SelectChannel(2);
  engine->SelectChannel(3);
  ASSERT_EQ(work.jobs.size(), 2u);
  // The later channel's list comes first, the earlier one's late.
  auto later = std::move(work.jobs[1]);
  auto earlier = std::move(work.jobs[0]);
  work.jobs.clear();
  later(std::stop_token());
  Settle();
  earlier(std::stop_token());
  Settle();
  EXPECT_EQ(engine_->radio_channel(), "public_tuijian_chengmingqu");
  EXPECT_EQ(engine_->radio_song_ids(), (std::vector<std::string>{"c1", "c2"}));
}

// In radio mode "时钟1" does not run, so a request that comes while nothing plays must be
// started by the radio check, whatever keeps the radio silent.
enum class SilentRadio { kListOnItsWay, kRadioSongFailedToOpen, kEmptyList };

class SilentRadioTest : public SlowServicesTest, public ::testing::WithParamInterface<SilentRadio> {
 protected:
  void Silence() {
    switch (GetParam()) {
      case SilentRadio::kListOnItsWay:
        hold_work = true;
        engine->SelectChannel(1);
        break;
      case SilentRadio::kRadioSongFailedToOpen:
        player.failing_urls["http://radio/r1"] = true;
        player.failing_urls["http://radio/r2"] = true;
        break;
      case SilentRadio::kEmptyList:
        radio.lists.clear();
        engine->SelectChannel(1);
        break;
    }
    engine->SetRandomPlay(true);
    engine->RadioCheckTick();
  }
};

TEST_P(SilentRadioTest, ARequestStartsOnTheNextRadioCheck) {
  player.hold_opens = false;
  Silence();
  EXPECT_EQ(Period(TimerId::kRadioCheck), 500) << "radio mode";
  EXPECT_TRUE(player.Playing().empty());
  Request(11, "Ann", "Wanted");
  engine->RadioCheckTick();
  ASSERT_NE(engine_->current_stream(), 0u);
  EXPECT_EQ(player.streams.at(engine_->current_stream()).url, "http://song/Wanted");
  EXPECT_EQ(player.IsActive(engine_->current_stream()), 1);
}

INSTANTIATE_TEST_SUITE_P(Causes, SilentRadioTest,
                         ::testing::Values(SilentRadio::kListOnItsWay,
                                           SilentRadio::kRadioSongFailedToOpen,
                                           SilentRadio::kEmptyList),
                         [](const auto& info) {
                           switch (info.param) {
                             case SilentRadio::kListOnItsWay:
                               return "ListOnItsWay";
                             case SilentRadio::kRadioSongFailedToOpen:
                               return "RadioSongFailedToOpen";
                             case SilentRadio::kEmptyList:
                               return "EmptyList";
                           }
                           return "";
                         });

}  // namespace
}  // namespace quilla::server::testing
