// The request queue and the play scheduler, driven tick by tick with a fake player.

#include <gtest/gtest.h>

#include "server/fakes/engine_fixture.h"

namespace quilla::server::testing {
namespace {

using Commands = std::vector<std::string>;

class SchedulerTest : public EngineFixture {
 protected:
  void SetUp() override {
    radio.lists["public_tuijian_rege"] = {{"r1", "r2", "r3"}};
    for (const char* id : {"r1", "r2", "r3"}) {
      radio.songs[id] = RadioSong{std::string("Radio ") + id, "DJ", std::string("http://radio/") + id,
                                  std::string("http://lrc/") + id};
      radio.pictures[id] = std::string("http://pic/") + id;
    }
    engine->Create("/nonexistent/sys.ini", "127.0.0.1");
    engine->StartServer();
    Join(11, "Ann");
    Join(12, "Bob");
    outbox.sent.clear();
  }
  // The state the current stream answers to IsActive.
  void SetCurrentState(int state) { player.stream(engine->current_stream()).state = state; }
  std::vector<int> Periods() const {
    return {Period(TimerId::kRequest), Period(TimerId::kProgress), Period(TimerId::kRadioProgress),
            Period(TimerId::kRadioCheck)};
  }
  std::vector<std::string> QueueTitles() const {
    std::vector<std::string> titles;
    for (const auto& s : engine->queue()) titles.push_back(s.title);
    return titles;
  }
};

TEST_F(SchedulerTest, ARequestStartsWithinOneRequestTick) {
  EXPECT_EQ(Periods(), (std::vector<int>{3000, 0, 0, 0}));
  Request(11, "Ann", "Song-Live");
  EXPECT_EQ(outbox.CommandsTo(12), (Commands{"歌曲增加"}));
  EXPECT_EQ(outbox.sent.back().payload, "Song-Live-Ann");
  ASSERT_EQ(engine->queue().size(), 1u);
  outbox.sent.clear();

  engine->RequestTick();
  EXPECT_EQ(Periods(), (std::vector<int>{500, 100, 0, 0}));
  EXPECT_EQ(player.streams.at(engine->current_stream()).url, "http://song/Song-Live");
  EXPECT_EQ(player.IsActive(engine->current_stream()), 1);
  EXPECT_EQ(outbox.CommandsTo(11), (Commands{"歌曲播放"}));
  EXPECT_EQ(outbox.sent[0].payload,
            "Anng【*】cSong-Liveg【*】cSingerg【*】chttp://cover/Song-Live");
  EXPECT_EQ(engine->current_lyrics(), "[00:01.00]la");
  const NowPlaying& now = engine->now_playing();
  EXPECT_EQ(now.requester, "Ann");
  EXPECT_EQ(now.song_text, "Song-Live - Singer");
  EXPECT_EQ(now.cover_url, "http://cover/Song-Live");
  EXPECT_EQ(now.banner, "当前歌曲来自 Ann 点播的《Song-Live》");
  EXPECT_EQ(now.banner_edit, now.banner);
  EXPECT_EQ(now.group_caption, "正在点歌播放");
  EXPECT_TRUE(speaker.spoken.empty());  // the voice switch is off

  // The row stays for the short pause after the start, then goes.
  EXPECT_EQ(engine->queue().size(), 1u);
  ASSERT_EQ(deferrer.pending.size(), 1u);
  EXPECT_EQ(deferrer.pending[0].first, std::chrono::milliseconds(300));
  deferrer.RunAll();
  EXPECT_TRUE(engine->queue().empty());
}

TEST_F(SchedulerTest, AnnouncementComesBeforeTheBroadcast) {
  engine->SetVoiceEnabled(true);
  engine->SelectVoice(3);
  Request(11, "Ann", "Hello");
  engine->RequestTick();
  ASSERT_EQ(speaker.spoken.size(), 1u);
  EXPECT_EQ(speaker.spoken[0].first, "即将播放的歌曲来自 Ann 点播的Hello");
  EXPECT_EQ(speaker.spoken[0].second, 3);
}

TEST_F(SchedulerTest, EmptyQueueWithRandomOffStaysSilent) {
  engine->RequestTick();
  EXPECT_EQ(Periods(), (std::vector<int>{3000, 0, 0, 0}));
  EXPECT_EQ(engine->current_stream(), 0u);
  EXPECT_TRUE(outbox.sent.empty());
}

TEST_F(SchedulerTest, RandomPlayFallsBackToTheRadioAndARequestCutsItOff) {
  engine->SetRandomPlay(true);  // idle, empty queue: PlayNext starts the radio at once
  EXPECT_EQ(Periods(), (std::vector<int>{0, 0, 500, 500}));
  EXPECT_EQ(player.streams.at(engine->current_stream()).url, "http://radio/r1");
  EXPECT_EQ(outbox.CommandsTo(11), (Commands{"系统随机"}));
  EXPECT_EQ(outbox.sent[0].payload, "系统随机g【*】cRadio r1g【*】cDJg【*】chttp://pic/r1");
  EXPECT_EQ(engine->now_playing().requester, "系统随机");
  EXPECT_EQ(engine->now_playing().song_text, "Radio r1 - DJ");
  EXPECT_EQ(engine->now_playing().banner, "当前播放的歌曲来自系统随机点播的《Radio r1》");
  EXPECT_EQ(engine->now_playing().group_caption, "正在随机播放");
  EXPECT_EQ(engine->radio_cursor(), 2);

  engine->RadioCheckTick();  // still playing: nothing starts
  EXPECT_EQ(Periods(), (std::vector<int>{0, 0, 100, 500}));
  outbox.sent.clear();

  Request(12, "Bob", "Wanted");
  engine->RadioCheckTick();
  EXPECT_EQ(player.streams.at(engine->current_stream()).url, "http://song/Wanted");
  EXPECT_EQ(outbox.CommandsTo(11), (Commands{"歌曲增加", "歌曲播放"}));
  // A radio check always ends in radio mode; the request plays on under it.
  EXPECT_EQ(Periods(), (std::vector<int>{0, 0, 100, 0}));
}

TEST_F(SchedulerTest, APausedRadioSongIsNotCutOff) {
  engine->SetRandomPlay(true);
  const StreamHandle radio_stream = engine->current_stream();
  engine->PauseSong();
  EXPECT_TRUE(engine->controls().paused);
  Request(12, "Bob", "Wanted");
  engine->RadioCheckTick();
  engine->RadioCheckTick();
  EXPECT_EQ(engine->current_stream(), radio_stream);
  engine->ResumeSong();
  EXPECT_FALSE(engine->controls().paused);
  EXPECT_EQ(player.calls.back(), "play " + std::to_string(radio_stream));
  engine->RadioCheckTick();
  EXPECT_EQ(player.streams.at(engine->current_stream()).url, "http://song/Wanted");
}

TEST_F(SchedulerTest, SkipWithEmptyQueueAndRadioPlayingStartsTheNextRadioSong) {
  engine->SetRandomPlay(true);
  engine->SetRandomPlay(false);  // unticking does not leave radio mode
  engine->SkipSong();
  EXPECT_EQ(player.streams.at(engine->current_stream()).url, "http://radio/r2");
  EXPECT_EQ(Periods(), (std::vector<int>{0, 0, 500, 500}));
}

TEST_F(SchedulerTest, SkipWithEmptyQueueAndNothingPlayingDoesNothing) {
  engine->SkipSong();
  EXPECT_EQ(engine->current_stream(), 0u);
  EXPECT_TRUE(outbox.sent.empty());
  EXPECT_EQ(Periods(), (std::vector<int>{3000, 0, 0, 0}));
}

TEST_F(SchedulerTest, SkipStartsTheNextRequestFromAPlayingOrPausedSong) {
  Request(11, "Ann", "A");
  Request(11, "Ann", "B");
  engine->RequestTick();
  deferrer.RunAll();
  engine->PauseSong();
  engine->SkipSong();
  EXPECT_EQ(player.streams.at(engine->current_stream()).url, "http://song/B");
  EXPECT_FALSE(engine->controls().paused);  // "暂停播放" shown again
  EXPECT_EQ(Period(TimerId::kRequest), 500);  // kept as it was
}

TEST_F(SchedulerTest, LowQueueWarningGoesOutOnlyFromExactlyFourRows) {
  for (int rows : {3, 4, 5}) {
    engine->ClearQueue();
    deferrer.pending.clear();
    player.Stop(engine->current_stream());
    for (int i = 0; i < rows; ++i) Request(11, "Ann", "S" + std::to_string(i));
    outbox.sent.clear();
    engine->RequestTick();
    const Commands got = outbox.CommandsTo(12);
    const Commands want = rows == 4 ? Commands{"歌曲播放", "歌曲剩余不足"} : Commands{"歌曲播放"};
    EXPECT_EQ(got, want) << rows << " rows";
    if (rows == 4) {
      EXPECT_EQ(outbox.sent.back().payload, "当前点歌目录只剩3首，请点歌！");
    }
  }
}

TEST_F(SchedulerTest, DeleteAndClearTellNoClient) {
  Request(11, "Ann", "A");
  Request(11, "Ann", "B");
  outbox.sent.clear();
  EXPECT_TRUE(engine->DeleteRow(0));
  EXPECT_EQ(QueueTitles(), (std::vector<std::string>{"B"}));
  EXPECT_FALSE(engine->DeleteRow(5));
  engine->ClearQueue();
  EXPECT_TRUE(engine->queue().empty());
  EXPECT_TRUE(outbox.sent.empty());
}

TEST_F(SchedulerTest, DoubleClickPlaysAndRemovesThatRow) {
  Request(11, "Ann", "A");
  Request(12, "Bob", "B");
  Request(12, "Cy", "C");
  outbox.sent.clear();
  engine->SetVoiceEnabled(true);
  EXPECT_TRUE(engine->PlayRowNow(2));
  EXPECT_EQ(player.streams.at(engine->current_stream()).url, "http://song/C");
  EXPECT_EQ(speaker.spoken.back().first, "即将播放的歌曲来自 Cy 点播的C");
  EXPECT_EQ(outbox.sent[0].payload, "Cyg【*】cCg【*】cSingerg【*】chttp://cover/C");
  EXPECT_EQ(Periods(), (std::vector<int>{500, 100, 0, 0}));
  // The operator's selection may move meanwhile: the played row is the one removed.
  engine->DeleteRow(0);
  deferrer.RunAll();
  EXPECT_EQ(QueueTitles(), (std::vector<std::string>{"B"}));
  // By id, as the window asks: the row that was meant, wherever it has moved.
  Request(12, "Dee", "D");
  const std::uint64_t d = engine->queue().back().id;
  engine->DeleteRow(0);
  EXPECT_TRUE(engine->PlayQueuedSong(d));
  EXPECT_EQ(player.streams.at(engine->current_stream()).url, "http://song/D");
  deferrer.RunAll();
  EXPECT_FALSE(engine->DeleteQueuedSong(d));
  // A double-click that hits no row does nothing.
  outbox.sent.clear();
  EXPECT_FALSE(engine->PlayRowNow(7));
  EXPECT_TRUE(outbox.sent.empty());
}

TEST_F(SchedulerTest, EndOfARequestedSongStartsTheNextRequest) {
  Request(11, "Ann", "A");
  Request(11, "Ann", "B");
  engine->RequestTick();
  deferrer.RunAll();
  auto& song = player.stream(engine->current_stream());
  song.position = song.length = 200 * kBytesPerSecond;
  outbox.sent.clear();
  engine->ProgressTick(ProgressMode::kRequest);
  EXPECT_EQ(player.streams.at(engine->current_stream()).url, "http://song/B");
  EXPECT_EQ(outbox.CommandsTo(11), (Commands{"歌曲进度", "歌曲时间", "歌曲播放"}));
  deferrer.RunAll();
  EXPECT_TRUE(engine->queue().empty());
  EXPECT_EQ(Period(TimerId::kProgress), 100);

  // The last song ends with nothing queued: "time" stops, nothing else starts.
  auto& last = player.stream(engine->current_stream());
  last.position = last.length;
  outbox.sent.clear();
  engine->ProgressTick(ProgressMode::kRequest);
  EXPECT_EQ(Period(TimerId::kProgress), 0);
  EXPECT_EQ(outbox.CommandsTo(11), (Commands{"歌曲进度", "歌曲时间"}));
}

TEST_F(SchedulerTest, ASongThatCannotOpenIsStartedOnlyOnce) {
  player.failing_urls["http://song/Broken"] = true;
  Request(11, "Ann", "Broken");
  Request(11, "Ann", "Fine");
  engine->RequestTick();
  EXPECT_EQ(engine->current_stream(), 0u);
  outbox.sent.clear();
  // Ticks inside the short pause: the broken song ends at once and the next one starts;
  // the broken one is not started again.
  engine->ProgressTick(ProgressMode::kRequest);
  EXPECT_EQ(player.streams.at(engine->current_stream()).url, "http://song/Fine");
  engine->ProgressTick(ProgressMode::kRequest);
  engine->RequestTick();
  int starts = 0;
  for (const auto& c : outbox.CommandsTo(11)) starts += c == "歌曲播放";
  EXPECT_EQ(starts, 1);
  deferrer.RunAll();
  EXPECT_TRUE(engine->queue().empty());
}

TEST_F(SchedulerTest, RadioPlaysTheListInOrderAndFetchesItAgainAfterTheLast) {
  radio.lists["public_tuijian_rege"] = {{"r1", "r2", "r3"}, {"r3", "r1"}};
  engine->SelectChannel(1);
  EXPECT_EQ(engine->radio_song_ids(), (std::vector<std::string>{"r1", "r2", "r3"}));
  std::vector<std::string> played;
  for (int i = 0; i < 4; ++i) {
    player.Stop(engine->current_stream());
    engine->PlayNext();
    played.push_back(player.streams.at(engine->current_stream()).url);
  }
  EXPECT_EQ(played, (std::vector<std::string>{"http://radio/r1", "http://radio/r2",
                                              "http://radio/r3", "http://radio/r3"}));
  EXPECT_EQ(engine->radio_song_ids(), (std::vector<std::string>{"r3", "r1"}));
  EXPECT_EQ(engine->radio_cursor(), 2);
}

TEST_F(SchedulerTest, ChannelSelectionKeepsTheCurrentSongAndHeadingsSelectNothing) {
  radio.lists["public_tuijian_ktv"] = {{"k1"}};
  radio.songs["k1"] = RadioSong{"Karaoke", "Band", "http://radio/k1", ""};
  engine->SetRandomPlay(true);
  const StreamHandle playing = engine->current_stream();
  const auto fetches = radio.fetched_channels.size();
  for (int heading : {0, 12, 21, 30, 39}) engine->SelectChannel(heading);
  EXPECT_EQ(radio.fetched_channels.size(), fetches);
  EXPECT_EQ(engine->radio_channel(), "public_tuijian_rege");

  engine->SelectChannel(2);
  EXPECT_EQ(engine->radio_channel(), "public_tuijian_ktv");
  EXPECT_EQ(engine->radio_cursor(), 1);
  EXPECT_EQ(engine->current_stream(), playing);
  EXPECT_EQ(player.IsActive(playing), 1);
  player.Stop(playing);
  engine->PlayNext();
  EXPECT_EQ(player.streams.at(engine->current_stream()).url, "http://radio/k1");
}

TEST_F(SchedulerTest, AnEmptyRadioListIsRetriedAtMostEveryThirtySeconds) {
  radio.lists.clear();
  engine->SelectChannel(1);  // the service answers nothing
  observer.log.clear();
  const auto fetches = radio.fetched_channels.size();
  engine->SetRandomPlay(true);
  for (int i = 0; i < 10; ++i) engine->RadioCheckTick();
  EXPECT_EQ(engine->current_stream(), 0u);
  EXPECT_EQ(radio.fetched_channels.size(), fetches);
  EXPECT_EQ(observer.log.size(), 1u);  // said once

  steady += std::chrono::seconds(31);
  radio.lists["public_tuijian_rege"] = {{"r2"}};
  engine->RadioCheckTick();
  EXPECT_EQ(radio.fetched_channels.size(), fetches + 1 + 1);  // the retry, then the wrap
  EXPECT_EQ(player.streams.at(engine->current_stream()).url, "http://radio/r2");
}

TEST_F(SchedulerTest, RandomToggleRunsTheRequestTickWhenUntickedWithSongsWaiting) {
  Request(11, "Ann", "A");
  engine->SetRandomPlay(true);  // queue not empty: ticking starts nothing
  EXPECT_EQ(engine->current_stream(), 0u);
  engine->SetRandomPlay(false);  // songs waiting and idle: one RequestTick
  EXPECT_EQ(player.streams.at(engine->current_stream()).url, "http://song/A");
}

TEST_F(SchedulerTest, DuplicateRequestsAreAllQueued) {
  Request(11, "Ann", "Same");
  Request(11, "Ann", "Same");
  EXPECT_EQ(QueueTitles(), (std::vector<std::string>{"Same", "Same"}));
  EXPECT_EQ(outbox.CommandsTo(12), (Commands{"歌曲增加", "歌曲增加"}));
}

TEST_F(SchedulerTest, ARequestWithEmptyLyricsOrCoverIsQueued) {
  // An empty last or middle field is still a field: the request is not lost.
  Request(11, "Ann", "NoLyrics", "", "");
  ASSERT_EQ(QueueTitles(), (std::vector<std::string>{"NoLyrics"}));
  EXPECT_EQ(engine->queue()[0].lyrics, "");
  EXPECT_EQ(outbox.CommandsTo(12), (Commands{"歌曲增加"}));
}

}  // namespace
}  // namespace quilla::server::testing
