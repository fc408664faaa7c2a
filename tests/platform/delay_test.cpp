#include "platform/delay.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/worker.h"

using namespace af;
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
  EXPECT_LT(elapsed_ms(t0), 20);
}

TEST(Workers, CancelEndsADelayPromptlyAndPauseHolds) {
  std::atomic<int> steps{0};
  auto w = start_worker([&] {
    while (!current_cancelled()) {
      checkpoint();
      ++steps;
      pump_delay(2000);
    }
  });
  ASSERT_TRUE(w);
  while (steps.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  auto t0 = clk::now();
  kill_worker(w);
  while (!w->finished.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_LT(elapsed_ms(t0), 200);
  EXPECT_EQ(steps.load(), 1);

  std::atomic<int> passed{0};
  auto p = start_worker([&] {
    for (int i = 0; i < 3 && !current_cancelled(); ++i) {
      checkpoint();
      ++passed;
      pump_delay(30);
    }
  });
  pause_worker(p);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  int held = passed.load();
  EXPECT_LE(held, 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(passed.load(), held);  // nothing advances while paused
  resume_worker(p);
  while (!p->finished.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(passed.load(), 3);
  stop_all_workers(1000);
}
