// Fetches one picture straight into a temporary file beside its final name and renames
// it only when the bytes are a whole picture; anything else is retried as the answer
// asks, and never left behind.
#pragma once

#include "text/text.h"

namespace af {

inline constexpr int picture_attempts = 3;
inline constexpr int retry_wait_ms = 2000;

struct PictureResult {
  bool saved = false;
  bool cancelled = false;
  Text cause;  // why it was not saved, in words
  long long size = 0;
};

// `temp` and `final_path` are GBK paths in the same folder.
PictureResult fetch_picture(const Text& url, const Text& temp, const Text& final_path);

// How long to wait before trying again after an answer: Retry-After for a busy server,
// otherwise the ordinary pause.
long retry_wait(int status, long retry_after_ms);

}  // namespace af
