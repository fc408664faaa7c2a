#include "platform/delay.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/worker.h"
#include "tests/support/wait.h"

using namespace af;
using af::test::wait_until;
using clk = std::chrono::steady_clock;

static long elapsed_ms(clk::time_point t0) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(clk::now() - t0).count();
}

TEST(PumpDelay, WaitsTheWholeTimeAndZeroReturnsAtOnce) {
  auto t0 = clk::now();
  EXPECT_EQ(pump_delay(50), 1);
  EXPECT_GE(elapsed_ms(t0), 50);
  t0 = clk::now();
  EXPECT_EQ(pump_delay(0), 1);
  EXPECT_EQ(pump_delay(-5), 1);
  EXPECT_LT(elapsed_ms(t0), 500);  // no unit's worth, whatever the machine's load
}

TEST(Workers, CancelEndsADelayPromptlyAndPauseHolds) {
  std::atomic<int> steps{0};
  auto w = start_worker([&] {
    while (!current_cancelled()) {
      checkpoint();
      ++steps;
      pump_delay(600000);
    }
  });
  ASSERT_TRUE(w);
  ASSERT_TRUE(wait_until([&] { return steps.load() > 0; }, "the worker's first step"));
  kill_worker(w);
  // Far sooner than its ten-minute delay would end.
  ASSERT_TRUE(wait_until([&] { return w->finished.load(); }, "the cancelled worker to end"));
  EXPECT_EQ(steps.load(), 1);

  // Paused before its first checkpoint, the worker passes none until it is resumed.
  std::atomic<int> passed{0};
  std::atomic<bool> go{false};
  auto p = start_worker([&] {
    EXPECT_TRUE(wait_until([&] { return go.load(); }, "the pause before the first step"));
    for (int i = 0; i < 3 && !current_cancelled(); ++i) {
      checkpoint();
      ++passed;
      pump_delay(30);
    }
  });
  pause_worker(p);
  go = true;
  // Time enough for an unheld worker to pass all three steps.
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  EXPECT_EQ(passed.load(), 0);  // nothing advances while paused
  resume_worker(p);
  ASSERT_TRUE(wait_until([&] { return p->finished.load(); }, "the resumed worker to end"));
  EXPECT_EQ(passed.load(), 3);
  stop_all_workers(1000);
}
