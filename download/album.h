#pragma once

#include <set>
#include <vector>

#include "text/text.h"

namespace af {

struct PictureFailure {
  Text address, cause;
};

struct AlbumOutcome {
  int pictures = 0;  // found on the page
  int saved = 0;
  int skipped = 0;  // proven done by an earlier run
  int failed = 0;
  bool page_failed = false;       // the page could not be fetched or read
  bool page_unreachable = false;  // its server never answered (refused, silent, unknown)
  bool busy = false;              // another run was downloading it: passed by, nothing counted
  Text page_cause;
  std::vector<PictureFailure> failures;
};

// "<what>保存 3 张，跳过 0 张，失败 1 张\r\n"
Text account_line(const Text& what, int saved, int skipped, int failed);

struct AlbumOptions {
  // Folders the batch has used so far: an album whose folder is among them gets a name
  // of its own instead of merging into another album.
  std::set<Text>* taken_folders = nullptr;
};

// Downloads every picture of one album page into its folder under the save location.
AlbumOutcome download_album(std::string_view page_address, std::string_view title,
                            const AlbumOptions& options = {});

}  // namespace af
