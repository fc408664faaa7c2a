#include "albums/tally.h"

#include <mutex>

namespace af {
namespace {

std::mutex tally_mutex;
RunTally tally;

}  // namespace

void add_to_tally(const RunTally& d) {
  std::lock_guard lock(tally_mutex);
  tally.pages_unreachable += d.pages_unreachable;
  tally.pages_failed += d.pages_failed;
  tally.albums_listed += d.albums_listed;
  tally.pictures_found += d.pictures_found;
  tally.pictures_saved += d.pictures_saved;
  tally.pictures_skipped += d.pictures_skipped;
  tally.pictures_failed += d.pictures_failed;
}

RunTally run_tally() {
  std::lock_guard lock(tally_mutex);
  return tally;
}

void reset_run_tally() {
  std::lock_guard lock(tally_mutex);
  tally = {};
}

}  // namespace af
