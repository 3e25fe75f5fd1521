// The progress tick: what it shows, what it sends, in which order, and the end of a song.

#include <gtest/gtest.h>

#include <cmath>

#include "server/fakes/engine_fixture.h"

namespace quilla::server::testing {
namespace {

using Commands = std::vector<std::string>;

std::int64_t Seconds(double s) { return std::llround(s * kBytesPerSecond) / 4 * 4; }

class ProgressTickTest : public EngineFixture {
 protected:
  void SetUp() override {
    engine->Create("/nonexistent/sys.ini", "127.0.0.1");
    engine->StartServer();
    Join(11, "Ann");
    Join(12, "Bob");
    Join(13, "Cy");
  }
  // Starts a queued song with `lyrics` and the given length, at `position`.
  void Play(const std::string& lyrics, double length_s, double position_s) {
    Request(11, "Ann", "T", "", lyrics);
    engine->RequestTick();
    deferrer.RunAll();
    auto& s = player.stream(engine->current_stream());
    s.length = Seconds(length_s);
    s.position = Seconds(position_s);
    outbox.sent.clear();
  }
  void At(double position_s) {
    player.stream(engine->current_stream()).position = Seconds(position_s);
    outbox.sent.clear();
    engine->ProgressTick(ProgressMode::kRequest);
  }
  // The payloads of `command` sent to user 11.
  std::vector<std::string> Payloads(const std::string& command) const {
    std::vector<std::string> out;
    for (const auto& m : outbox.sent) {
      if (m.handle == 11 && m.command == command) out.push_back(m.payload);
    }
    return out;
  }
};

TEST_F(ProgressTickTest, OneTickSendsProgressThenTimeThenLyricsToEveryUserInRowOrder) {
  Play("[00:01.50]first\r\n[00:02.10]second", 225.6, 0);
  At(1.7);
  ASSERT_EQ(outbox.sent.size(), 9u);
  const Commands order = {"歌曲进度", "歌曲进度", "歌曲进度", "歌曲时间", "歌曲时间",
                          "歌曲时间", "歌词变更", "歌词变更", "歌词变更"};
  for (std::size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(outbox.sent[i].command, order[i]) << i;
    EXPECT_EQ(outbox.sent[i].handle, static_cast<ClientHandle>(11 + i % 3)) << i;
  }
  EXPECT_EQ(outbox.sent[3].payload, "00:01 | 03:45");
  EXPECT_EQ(outbox.sent[6].payload, "first\r\n");
  EXPECT_EQ(engine->progress().lyrics_label, "first\r\n");
  EXPECT_EQ(engine->progress().time_label, "00:01 | 03:45");

  At(2.5);
  EXPECT_EQ(Payloads("歌词变更"), (std::vector<std::string>{"second"}));
  At(3.5);  // between tags: nothing sent, the label keeps the last line
  EXPECT_TRUE(Payloads("歌词变更").empty());
  EXPECT_EQ(engine->progress().lyrics_label, "second");
}

TEST_F(ProgressTickTest, SliderAndProgressTextFollowThePosition) {
  Play("", 200, 0);
  At(50);
  EXPECT_EQ(engine->progress().slider, 250);
  EXPECT_EQ(Payloads("歌曲进度"), (std::vector<std::string>{"100"}));
  At(1);
  EXPECT_EQ(engine->progress().slider, 5);
  EXPECT_EQ(Payloads("歌曲进度"), (std::vector<std::string>{"2"}));
  At(66.6);
  EXPECT_EQ(Payloads("歌曲进度"), (std::vector<std::string>{"133.2"}));
}

TEST_F(ProgressTickTest, TheSongEndsWhenTheTextsMeet) {
  Play("", 225.6, 0);
  At(224.9);
  EXPECT_EQ(Payloads("歌曲时间"), (std::vector<std::string>{"03:44 | 03:45"}));
  EXPECT_EQ(Period(TimerId::kProgress), 100);
  At(225.0);  // 0.6 s before the real end
  EXPECT_EQ(Payloads("歌曲时间"), (std::vector<std::string>{"03:45 | 03:45"}));
  EXPECT_EQ(Period(TimerId::kProgress), 0);
  EXPECT_EQ(engine->progress().slider, 0);
  EXPECT_EQ(engine->progress().time_label, "00:00 | 00:00");
}

TEST_F(ProgressTickTest, AStreamThatFailedToOpenEndsAtOnce) {
  player.failing_urls["http://song/T"] = true;
  Request(11, "Ann", "T");
  engine->RequestTick();
  EXPECT_EQ(engine->current_stream(), 0u);
  outbox.sent.clear();
  engine->ProgressTick(ProgressMode::kRequest);
  EXPECT_EQ(Payloads("歌曲进度"), (std::vector<std::string>{"400"}));
  EXPECT_EQ(Period(TimerId::kProgress), 0);
}

TEST_F(ProgressTickTest, LyricsLabelCases) {
  struct Case {
    const char* lyrics;
    double at;
    const char* label;  // nullptr: the label keeps what it showed
    std::vector<std::string> sent;
  };
  const Case cases[] = {
      {"[00:05.00]one[00:05.80]two", 5.9, "two", {"two"}},
      {"[1:05.00]short minutes", 65.2, nullptr, {}},
      {"no tags at all", 3.0, "当前歌词不支持滚动.", {}},
      {"没有匹配到歌词.", 3.0, "当前暂无歌词", {}},
      {"", 3.0, "当前暂无歌词", {}},
      {"[00:12.00][01:30.00]words", 12.4, nullptr, {}},
      {"[00:12.00][01:30.00]words", 90.4, "words", {"words"}},
  };
  for (const auto& c : cases) {
    engine->ClearQueue();
    player.Stop(engine->current_stream());
    Play(c.lyrics, 300, 0);
    const std::string before = engine->progress().lyrics_label;
    At(c.at);
    EXPECT_EQ(engine->progress().lyrics_label, c.label ? c.label : before) << c.lyrics;
    EXPECT_EQ(Payloads("歌词变更"), c.sent) << c.lyrics;
  }
}

TEST_F(ProgressTickTest, LengthZeroShowsZero) {
  Play("", 0, 0);
  player.stream(engine->current_stream()).length = 0;
  At(0);
  EXPECT_EQ(engine->progress().slider, 0);
  EXPECT_EQ(Payloads("歌曲进度"), (std::vector<std::string>{"0"}));
}

TEST_F(ProgressTickTest, SeekingMovesTheStreamAndTicksAtOnce) {
  Play("", 200, 10);
  engine->Seek(500);
  EXPECT_EQ(player.stream(engine->current_stream()).position, 100 * kBytesPerSecond);
  EXPECT_EQ(Payloads("歌曲时间"), (std::vector<std::string>{"01:40 | 03:20"}));
  outbox.sent.clear();
  engine->Seek(1000);  // the full length: the tick ends the song
  EXPECT_EQ(Period(TimerId::kProgress), 0);
}

}  // namespace
}  // namespace quilla::server::testing
