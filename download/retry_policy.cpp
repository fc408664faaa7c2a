#include "download/retry_policy.h"

#include <algorithm>

namespace af {

std::optional<long> RetryPolicy::after_failure(const FailedAttempt& f) {
  ++failures_;
  int limit = target_ == RetryTarget::album_page ? page_attempts : picture_attempts;
  if (f.write_error) return std::nullopt;  // a full or read-only disk does not heal
  if (f.answered && final_status(f.status)) return std::nullopt;
  if (f.not_the_page && ++wrong_pages_ >= wrong_page_attempts) return std::nullopt;
  if (failures_ >= limit) return std::nullopt;
  if (f.answered && busy_status(f.status) && f.retry_after_ms >= 0)
    return std::min(f.retry_after_ms, retry_after_cap_ms);
  return retry_pause_ms;
}

}  // namespace af
