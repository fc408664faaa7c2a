// Fetches one picture straight into a new temporary file beside its final name and
// renames it only when the bytes are a whole picture; anything else is retried as the
// answer asks, and never left behind.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/folder.h"
#include "text/text.h"

namespace af {

struct PictureResult {
  bool saved = false;
  bool cancelled = false;
  Text cause;  // why it was not saved, in words
  long long size = 0;
  std::int64_t mtime_ns = 0;  // of the saved file
};

// Told the whole file's size and modification time just before it is renamed into place,
// so that a record can say so first.
using BeforeRename = std::function<void(std::int64_t size, std::int64_t mtime_ns)>;

// Saves the picture at `url` as `name` (program text) in `folder`.
PictureResult fetch_picture(const Text& url, const Folder& folder, const Text& name,
                            const BeforeRename& before_rename = {});

}  // namespace af
