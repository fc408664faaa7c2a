#pragma once

#include "text/text.h"

namespace af {

struct BatchOutcome {
  int albums = 0;
  int saved = 0;
  int skipped = 0;
  int failed_pictures = 0;
  int failed_albums = 0;
};

// The batch worker: downloads every ticked album of the list, then returns the download
// buttons to Idle and says so.
BatchOutcome download_selected();

}  // namespace af
