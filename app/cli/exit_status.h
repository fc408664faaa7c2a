// The exit statuses, stable and documented in the README and the man page. Like wget's
// and curl's they tell causes apart; unlike them they are few.
#pragma once

#include "albums/tally.h"

namespace af::cli {

enum ExitStatus {
  exit_ok = 0,            // everything asked for was saved (or listed)
  exit_failed = 1,        // some pictures or album pages failed
  exit_usage = 2,         // bad usage, or an address that cannot be listed
  exit_save_folder = 3,   // the save folder cannot be made or written; nothing was fetched
  exit_unreachable = 4,   // a home or album page's server could not be reached at all
  exit_nothing = 5,       // nothing to download: no albums listed, or albums without pictures
  exit_interrupted = 130  // Ctrl-C
};

enum class Work { list, download };

// The status a run's tally earns: unreachable before failed before nothing.
ExitStatus status_of(const RunTally& tally, Work work);

}  // namespace af::cli
