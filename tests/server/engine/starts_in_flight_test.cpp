// The one rule for starts in flight, with a fake player, hand-run workers and a hand-run
// engine loop: results come back only as events, and a superseded start leaves no trace.

#include "server/app/starts_in_flight.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "server/fakes/fake_audio_player.h"
#include "server/fakes/fake_services.h"

namespace quilla::server::testing {
namespace {

class StartsInFlightTest : public ::testing::Test {
 protected:
  StartsInFlightTest() { player.hold_opens = true; }

  FakeAudioPlayer player;
  ManualDeferrer loop;
  ManualWork work;
  StartsInFlight starts{player, loop, work};
  std::vector<std::string> done;  // what reached the engine, in order
};

TEST_F(StartsInFlightTest, AStartIsUnderWayUntilItsStreamHasOpenedAndReportsItAsAnEvent) {
  EXPECT_FALSE(starts.under_way());
  const auto ticket = starts.Begin();
  EXPECT_TRUE(starts.under_way());
  starts.OpenStream(ticket, "http://song/a",
                    [&](StreamHandle h) { done.push_back("opened " + std::to_string(h)); });
  ASSERT_EQ(player.held.size(), 1u);
  player.FinishOpen();
  // The player has answered, but the engine hears of it only as its own event.
  EXPECT_TRUE(done.empty());
  EXPECT_TRUE(starts.under_way());
  EXPECT_EQ(loop.RunPosted(), 1u);
  EXPECT_EQ(done, (std::vector<std::string>{"opened 1"}));
  EXPECT_FALSE(starts.under_way());
}

TEST_F(StartsInFlightTest, AFailedOpenEndsTheStartWithHandleZero) {
  player.failing_urls["http://song/broken"] = true;
  const auto ticket = starts.Begin();
  starts.OpenStream(ticket, "http://song/broken",
                    [&](StreamHandle h) { done.push_back("opened " + std::to_string(h)); });
  player.FinishOpen();
  loop.RunPosted();
  EXPECT_EQ(done, (std::vector<std::string>{"opened 0"}));
  EXPECT_FALSE(starts.under_way());
}

TEST_F(StartsInFlightTest, ANewerStartDropsTheLateResultAndClosesItsStream) {
  const auto first = starts.Begin();
  starts.OpenStream(first, "http://song/old", [&](StreamHandle) { done.push_back("old"); });
  const auto second = starts.Begin();
  starts.OpenStream(second, "http://song/new", [&](StreamHandle) { done.push_back("new"); });
  player.FinishOpen(1);  // the new one first
  player.FinishOpen(0);  // then the old one, late
  loop.RunPosted();
  EXPECT_EQ(done, (std::vector<std::string>{"new"}));
  // The late stream was opened (handle 2) and is closed again, never played.
  EXPECT_EQ(player.calls.back(), "close 2");
  EXPECT_EQ(player.streams.count(2), 0u);
  EXPECT_TRUE(player.Playing().empty());
  EXPECT_FALSE(starts.under_way());
}

TEST_F(StartsInFlightTest, SupersedeWithoutANewerStartDropsEverythingOfIt) {
  const auto ticket = starts.Begin();
  starts.OpenStream(ticket, "http://song/a", [&](StreamHandle) { done.push_back("opened"); });
  starts.Supersede();
  EXPECT_FALSE(starts.under_way());
  player.FinishOpen();
  loop.RunPosted();
  EXPECT_TRUE(done.empty());
  EXPECT_TRUE(player.streams.empty()) << "the late stream is closed";
}

TEST_F(StartsInFlightTest, BlockingStepsRunOnTheWorkersAndOnlyForTheStartUnderWay) {
  int lookups = 0;
  auto lookup = [&](std::stop_token) { return ++lookups; };
  const auto first = starts.Begin();
  starts.RunBlocking(first, lookup, [&](int n) { done.push_back("first " + std::to_string(n)); });
  EXPECT_EQ(lookups, 0) << "nothing blocking on the engine thread";
  EXPECT_EQ(work.RunAll(), 1u);
  EXPECT_EQ(lookups, 1);
  EXPECT_TRUE(done.empty()) << "the result comes back as an event";

  // A newer start: the first one's result, still on its way back, is dropped, and its next
  // step, not yet begun, is skipped without a round trip.
  starts.RunBlocking(first, lookup, [&](int) { done.push_back("first again"); });
  const auto second = starts.Begin();
  starts.RunBlocking(second, lookup, [&](int n) { done.push_back("second " + std::to_string(n)); });
  EXPECT_EQ(work.RunAll(), 2u);
  EXPECT_EQ(lookups, 2) << "the superseded step was skipped";
  loop.RunPosted();
  EXPECT_EQ(done, (std::vector<std::string>{"second 2"}));
  EXPECT_TRUE(starts.under_way()) << "still under way until its stream opens";
}

}  // namespace
}  // namespace quilla::server::testing
