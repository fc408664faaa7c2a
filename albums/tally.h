// What the work since the last reset came to, counted where it happens. The command
// line's exit status is judged from these numbers, never from the log's wording.
#pragma once

namespace af {

struct RunTally {
  int pages_unreachable = 0;  // home or album pages whose server never answered
  int pages_failed = 0;       // home or album pages answered with an error, or unreadable
  int albums_listed = 0;
  int pictures_found = 0;  // on the album pages that were read
  int pictures_saved = 0;
  int pictures_skipped = 0;  // proven done by an earlier run
  int pictures_failed = 0;
};

void add_to_tally(const RunTally& delta);
RunTally run_tally();
void reset_run_tally();

}  // namespace af
