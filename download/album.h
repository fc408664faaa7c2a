#pragma once

#include <set>

#include "text/text.h"

namespace af {

struct AlbumOutcome {
  int pictures = 0;  // found on the page
  int saved = 0;
  int failed = 0;
  bool page_failed = false;  // the page could not be fetched or read
};

struct AlbumOptions {
  // Folders the batch has used so far: an album whose folder is among them gets a name
  // of its own instead of merging into another album.
  std::set<Text>* taken_folders = nullptr;
};

// Downloads every picture of one album page into its folder under the save location.
AlbumOutcome download_album(std::string_view page_address, std::string_view title,
                            const AlbumOptions& options = {});

}  // namespace af
