// Waiting in tests: for a state, never for a time, and never without end. A wait that runs
// out fails naming what it waited for, long before ctest's own limit would kill it mutely.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string_view>

namespace af::test {

// Far past what any passing wait needs on a loaded machine, far inside ctest's 300 s.
inline constexpr std::chrono::milliseconds wait_limit{60000};

// Polls `done` until it holds; past `limit` the result fails with "waited ... for <what>".
::testing::AssertionResult wait_until(const std::function<bool()>& done, std::string_view what,
                                      std::chrono::milliseconds limit = wait_limit);

}  // namespace af::test
