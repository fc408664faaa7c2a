// Process-wide state shared by the window thread and the workers. The texts are guarded:
// the window thread writes them while workers may read.
#pragma once

#include "platform/worker.h"
#include "text/text.h"

namespace af {

inline constexpr std::string_view community_host = "pp.163.com";
inline constexpr std::string_view thumbnail_host = "imgsize.ph.126.net";
inline constexpr std::string_view program_version = ALBUMFETCH_VERSION;

Text entered_address();
void set_entered_address(const Text& t);
Text album_owner();
void set_album_owner(const Text& t);
Text browse_start_folder();
void set_browse_start_folder(const Text& t);

// Handle slots keep the last worker stored in them; they are never reset.
WorkerHandle list_worker();
void set_list_worker(WorkerHandle w);
WorkerHandle download_worker();
void set_download_worker(WorkerHandle w);

}  // namespace af

namespace af {

// Everything that failed since the last reset: album pages, pictures, listings. The
// command line's exit status comes from it.
void note_failures(int n);
int failure_count();
void reset_failure_count();

}  // namespace af
