#include "platform/delay.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/window.h"
#include "platform/worker.h"

namespace af {

int pump_delay(int amount, int unit) {
  static constexpr double multipliers[] = {1, 1000, 60000, 3600000};
  double mult = (unit >= 0 && unit <= 3) ? multipliers[unit] : 1;
  double ms = static_cast<double>(amount) * mult;
  using clock = std::chrono::steady_clock;
  if (!(ms > 0)) return 1;
  if (ms > 1e12) ms = 1e12;
  auto deadline = clock::now() + std::chrono::microseconds(static_cast<long long>(ms * 1000));
  Window* w = current_window();
  WorkerToken* token = current_token();
  while (true) {
    auto now = clock::now();
    if (now >= deadline) break;
    if (token && token->cancelled()) break;  // a stopped worker must not linger
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() + 1;
    if (w && w->on_window_thread()) {
      w->process_pending();
      std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long long>(left, 5)));
    } else if (token) {
      token->sleep_for(static_cast<int>(std::min<long long>(left, 1000)));
    } else {
      std::this_thread::sleep_until(deadline);
    }
  }
  return 1;
}

void process_pending_messages() {
  if (Window* w = current_window()) w->process_pending();
}

}  // namespace af
