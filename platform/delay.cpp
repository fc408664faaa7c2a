#include "platform/delay.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string_view>
#include <thread>

#include "platform/clock.h"
#include "platform/window.h"
#include "platform/worker.h"

namespace af {
namespace {

class RealClock : public Clock {
 public:
  void wait(long ms) override {
    using clock = std::chrono::steady_clock;
    auto deadline = clock::now() + std::chrono::milliseconds(ms);
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
  }
};

RealClock real_clock;
std::atomic<Clock*> installed{nullptr};

// Tests that run the program itself drive its clock through the environment.
Clock& default_clock() {
  static Clock* c = []() -> Clock* {
    const char* v = std::getenv("ALBUMFETCH_DRIVEN_CLOCK");
    if (v && std::string_view(v) == "1") return new DrivenClock();
    return &real_clock;
  }();
  return *c;
}

}  // namespace

Clock& current_clock() {
  Clock* c = installed.load(std::memory_order_acquire);
  return c ? *c : default_clock();
}

Clock* set_clock(Clock* clock) {
  return installed.exchange(clock, std::memory_order_acq_rel);
}

void DrivenClock::wait(long ms) {
  // The window still gets its turn, as it would during a real wait.
  process_pending_messages();
  std::lock_guard lock(m_);
  elapsed_ += ms;
  waits_.push_back(ms);
}

long long DrivenClock::elapsed_ms() const {
  std::lock_guard lock(m_);
  return elapsed_;
}

std::vector<long> DrivenClock::waits() const {
  std::lock_guard lock(m_);
  return waits_;
}

int pump_delay(int amount, int unit) {
  static constexpr double multipliers[] = {1, 1000, 60000, 3600000};
  double mult = (unit >= 0 && unit <= 3) ? multipliers[unit] : 1;
  double ms = static_cast<double>(amount) * mult;
  if (!(ms > 0)) return 1;
  if (ms > 1e12) ms = 1e12;
  current_clock().wait(static_cast<long>(ms));
  return 1;
}

void process_pending_messages() {
  if (Window* w = current_window()) w->process_pending();
}

bool wait_must_pump() {
  Window* w = current_window();
  return w && w->on_window_thread();
}

}  // namespace af
