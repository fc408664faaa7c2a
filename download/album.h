#pragma once

#include "text/text.h"

namespace af {

struct AlbumOutcome {
  int pictures = 0;  // found on the page
  int saved = 0;
  int failed = 0;
  bool page_failed = false;  // the page could not be fetched or read
};

// Downloads every picture of one album page into its folder under the save location.
AlbumOutcome download_album(std::string_view page_address, std::string_view title);

}  // namespace af
