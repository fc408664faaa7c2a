// The clock the program's waits run on. Tests install a driven one, so that retry pauses
// and settling delays take no real time and can be read back.
#pragma once

#include <mutex>
#include <vector>

namespace af {

class Clock {
 public:
  virtual ~Clock() = default;
  // Lets `ms` pass. On the window thread the window's messages keep flowing; a stopped
  // worker stops waiting at once.
  virtual void wait(long ms) = 0;
};

// The installed clock; the real one when none is.
Clock& current_clock();
// Installs `clock` (null: the real one) and returns the one it replaces.
Clock* set_clock(Clock* clock);

// A clock tests drive: every wait returns at once and is remembered.
class DrivenClock : public Clock {
 public:
  void wait(long ms) override;
  long long elapsed_ms() const;
  std::vector<long> waits() const;

 private:
  mutable std::mutex m_;
  long long elapsed_ = 0;
  std::vector<long> waits_;
};

}  // namespace af
