// Seeded soak: an album of 2,000 pictures with faults, downloaded by runs that are killed
// (SIGKILL) at seeded moments. After every kill the record must prove exactly the pictures
// that are whole on disk, the next run must fetch none of those again, and a last run
// left alone must fetch exactly the ones still missing.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "albums/state.h"
#include "app/community/community.h"
#include "app/headless_window.h"
#include "bench/common.h"
#include "download/album.h"
#include "download/record.h"
#include "http/transport.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/files.h"

using namespace af;
namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

}  // namespace

int main(int argc, char** argv) {
  const unsigned seed = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1])) : 17;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 25;
  std::mt19937 rng(seed);
  community::Community site;
  auto& album = site.add_album(site.add_member("soak"), "s", 2000, 8, 8);
  std::vector<bool> hopeless(album.pictures.size());
  for (size_t i = 0; i < album.pictures.size(); ++i) {
    unsigned r = rng() % 100;
    if (r < 5) site.set_fault(album.pictures[i].url, {1});  // one 503, then the picture
    if (r == 5) site.set_fault(album.pictures[i].url, {0, 404}), hopeless[i] = true;
    if (r == 6)
      site.set_fault(album.pictures[i].url, {0, 0, false, false, true}), hopeless[i] = true;
  }
  site.start();
  set_connect_to(site.connect_to());
  DrivenClock clock;  // pauses take no time: the kills land anywhere in the work
  set_clock(&clock);
  HeadlessWindow window;
  set_current_window(&window);
  fs::path save =
      fs::temp_directory_path() / ("albumfetch-bench-kill-" + std::to_string(::getpid()));
  fs::remove_all(save);
  window.set_text(ctl::编辑框_保存位置, gbk_path(save));
  window.set_checked(ctl::选择框_跳过已下载, true);
  set_album_owner("soak");
  fs::path folder = save / "soak" / "s";
  Text gfolder = gbk_path(folder);

  auto whole_on_disk = [&](size_t i) {
    fs::path f = folder / (std::to_string(i + 1) + album.pictures[i].id + ".jpg");
    const Bytes& b = album.pictures[i].jpeg;
    return fs::is_regular_file(fs::symlink_status(f)) &&
           slurp(f) == std::string(b.begin(), b.end());
  };
  auto hits = [&] {
    std::vector<size_t> h;
    for (auto& p : album.pictures) h.push_back(site.hits(p.url));
    return h;
  };
  auto run = [&](int kill_after_ms) {
    pid_t pid = ::fork();
    if (pid == 0) {
      download_album(album.url, "s");
      ::_exit(0);
    }
    if (kill_after_ms >= 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kill_after_ms));
      ::kill(pid, SIGKILL);
    }
    ::waitpid(pid, nullptr, 0);
  };

  size_t disagreements = 0, fetched_again = 0, kills = 0;
  for (int k = 0; k < rounds; ++k) {
    std::vector<bool> whole_before(album.pictures.size());
    for (size_t i = 0; i < whole_before.size(); ++i) whole_before[i] = whole_on_disk(i);
    std::vector<size_t> before = hits();
    run(static_cast<int>(rng() % 400));
    ++kills;
    std::vector<size_t> after = hits();
    for (size_t i = 0; i < whole_before.size(); ++i)
      fetched_again += whole_before[i] && after[i] != before[i];
    std::optional<AlbumRecord> rec = read_record(gfolder);
    if (!rec) continue;  // killed before its first record: nothing to disagree with
    Folder f(gfolder);
    for (size_t i = 0; i < rec->entries.size(); ++i)
      disagreements += proven_saved(f, rec->entries[i]) != whole_on_disk(i);
  }
  std::vector<bool> whole_before(album.pictures.size());
  for (size_t i = 0; i < whole_before.size(); ++i) whole_before[i] = whole_on_disk(i);
  std::vector<size_t> before = hits();
  run(-1);
  std::vector<size_t> after = hits();
  size_t wrong_final = 0, missing = 0;
  for (size_t i = 0; i < whole_before.size(); ++i) {
    wrong_final += (after[i] != before[i]) == whole_before[i];
    missing += !hopeless[i] && !whole_on_disk(i);
  }
  std::printf(
      "seed %u: %zu kills; %zu pictures, %zu of them hopeless, %zu whole before the "
      "last run\n",
      seed, kills, album.pictures.size(),
      static_cast<size_t>(std::count(hopeless.begin(), hopeless.end(), true)),
      static_cast<size_t>(std::count(whole_before.begin(), whole_before.end(), true)));
  bench::report("record claims that disagree with the files after a kill", double(disagreements),
                0);
  bench::report("whole pictures fetched again by the next run", double(fetched_again), 0);
  bench::report("last run: pictures fetched iff not whole on disk (misses)", double(wrong_final),
                0);
  bench::report("pictures that could be fetched but are missing at the end", double(missing), 0);
  set_current_window(nullptr);
  set_clock(nullptr);
  set_connect_to("");
  site.stop();
  fs::remove_all(save);
  return bench::finish();
}
