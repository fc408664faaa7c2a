#include "app/cli/exit_status.h"

namespace af::cli {

ExitStatus status_of(const RunTally& t, Work work) {
  if (t.pages_unreachable > 0) return exit_unreachable;
  if (t.pages_failed > 0 || t.pictures_failed > 0) return exit_failed;
  int found = work == Work::list ? t.albums_listed : t.pictures_found;
  return found == 0 ? exit_nothing : exit_ok;
}

}  // namespace af::cli
