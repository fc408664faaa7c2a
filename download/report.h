// What the album records under a save folder say, read without the network.
#pragma once

#include <vector>

#include "text/text.h"

namespace af {

struct AlbumReport {
  Text folder;  // program text path
  Text page_address;
  int saved = 0;                // proven: the file stands as written
  int failed = 0;               // failed last time
  int missing = 0;              // never finished, or the file is gone or changed since
  std::vector<Text> same_page;  // other folders that hold the same album page
};

// Every album folder under `dir` with a readable record, sorted by folder.
std::vector<AlbumReport> report_albums(const Text& dir);

}  // namespace af
