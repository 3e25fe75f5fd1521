// The workers the engine hands its blocking calls to.

#include "server/app/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "support/gate.h"
#include "support/wait_until.h"

namespace quilla::server {
namespace {

using quilla::testing::Gate;
using quilla::testing::WaitUntil;

TEST(WorkerPoolTest, JobsRunOnWorkersWhileTheCallerGoesOn) {
  WorkerPool pool(2);
  Gate gate;
  std::atomic<int> finished{0};
  std::atomic<bool> other_thread{true};
  const auto caller = std::this_thread::get_id();
  for (int i = 0; i < 2; ++i) {
    pool.Run([&](std::stop_token) {
      if (std::this_thread::get_id() == caller) other_thread = false;
      gate.Wait();
      ++finished;
    });
  }
  // Both jobs wait at the gate at the same time: two workers, and Run did not wait.
  ASSERT_TRUE(gate.WaitForArrivals(2));
  EXPECT_EQ(finished.load(), 0);
  gate.Open();
  ASSERT_TRUE(WaitUntil([&] { return finished.load() == 2; }));
  EXPECT_TRUE(other_thread.load());
}

TEST(WorkerPoolTest, StopAsksTheJobsUnderWayToGiveUpAndDropsTheRest) {
  WorkerPool pool(1);
  Gate never_opened;
  std::atomic<bool> gave_up{false};
  std::atomic<bool> queued_ran{false};
  pool.Run([&](std::stop_token stop) { gave_up = !never_opened.Wait(stop); });
  pool.Run([&](std::stop_token) { queued_ran = true; });
  ASSERT_TRUE(never_opened.WaitForArrivals(1));
  pool.Stop();  // would never return if it did not ask the waiting job to stop
  EXPECT_TRUE(gave_up.load());
  EXPECT_FALSE(queued_ran.load());
  pool.Run([&](std::stop_token) { queued_ran = true; });
  pool.Stop();
  EXPECT_FALSE(queued_ran.load()) << "nothing runs after Stop";
}

}  // namespace
}  // namespace quilla::server
