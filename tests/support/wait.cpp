#include "tests/support/wait.h"

#include <thread>

namespace af::test {

::testing::AssertionResult wait_until(const std::function<bool()>& done, std::string_view what,
                                      std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline)
      return ::testing::AssertionFailure()
             << "waited " << limit.count() / 1000.0 << " s in vain for " << what;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return ::testing::AssertionSuccess();
}

}  // namespace af::test
