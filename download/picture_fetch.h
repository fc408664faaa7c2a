// Fetches one picture straight into a temporary file beside its final name and renames
// it only when the bytes are a whole picture; anything else is retried as the answer
// asks, and never left behind.
#pragma once

#include "text/text.h"

namespace af {

struct PictureResult {
  bool saved = false;
  bool cancelled = false;
  Text cause;  // why it was not saved, in words
  long long size = 0;
};

// `temp` and `final_path` are GBK paths in the same folder.
PictureResult fetch_picture(const Text& url, const Text& temp, const Text& final_path);

}  // namespace af
