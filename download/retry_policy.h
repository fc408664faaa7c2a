// When to try an album page or a picture again, and after how long: the one rule every
// fetch loop asks after a failed attempt.
#pragma once

#include <optional>

namespace af {

enum class RetryTarget { album_page, picture };

inline constexpr int page_attempts = 10;
inline constexpr int picture_attempts = 3;
// Of a page's attempts, at most this many go to answers that are not the page (a busy or
// error page served as 200, a body cut off): such a server rarely mends within seconds.
inline constexpr int wrong_page_attempts = 3;
inline constexpr long retry_pause_ms = 2000;
inline constexpr long retry_after_cap_ms = 60000;

// Answers that no retry will change, and answers that ask the client to wait.
inline bool final_status(int status) {
  return status == 404 || status == 410;
}
inline bool busy_status(int status) {
  return status == 429 || status == 503;
}

// How one attempt failed.
struct FailedAttempt {
  bool answered = false;  // an HTTP answer came whole; `status` is its status
  int status = 0;
  long retry_after_ms = -1;   // from Retry-After; -1 when absent
  bool not_the_page = false;  // answered 2xx, but with something else than the page
  bool write_error = false;   // the disk refused the bytes
};

class RetryPolicy {
 public:
  explicit RetryPolicy(RetryTarget target) : target_(target) {}
  // After a failed attempt: how long to wait before the next one, or nothing when no
  // attempt follows (there is no wait after the last).
  std::optional<long> after_failure(const FailedAttempt& failed);

 private:
  RetryTarget target_;
  int failures_ = 0;
  int wrong_pages_ = 0;
};

}  // namespace af
