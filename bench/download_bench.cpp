#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "albums/album_list.h"
#include "albums/state.h"
#include "app/community/community.h"
#include "app/headless_window.h"
#include "bench/common.h"
#include "download/album.h"
#include "download/picture_check.h"
#include "http/transport.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/files.h"

using namespace af;
namespace fs = std::filesystem;

int main() {
  community::Community site;
  auto& m = site.add_member("bench");
  auto& album = site.add_album(m, "bench", 200, 8, 8);
  // 200 KB pictures: a real JPEG, padded out before its end-of-image marker.
  for (auto& p : album.pictures) p.jpeg.insert(p.jpeg.end() - 2, 200 * 1024 - p.jpeg.size(), 0x55);
  auto& many = site.add_member("many");
  auto& few = site.add_member("few");
  for (int i = 0; i < 5000; ++i) site.add_album(many, "m" + std::to_string(i), 0);
  for (int i = 0; i < 500; ++i) site.add_album(few, "f" + std::to_string(i), 0);
  site.start();
  set_connect_to(site.connect_to());

  HeadlessWindow window;
  set_current_window(&window);
  fs::path save = fs::temp_directory_path() / "albumfetch-bench";
  fs::remove_all(save);
  window.set_text(ctl::编辑框_保存位置, gbk_path(save));
  set_album_owner("bench");

  double ours = bench::best_of(1, [&] { download_album(album.url, "bench"); });
  std::string config = "/tmp/albumfetch-bench-download.txt";
  {
    std::ofstream cfg(config);
    for (auto& p : album.pictures) cfg << "url = \"" << p.url << "\"\noutput = \"/dev/null\"\n";
  }
  double curl = bench::best_of(3, [&] {
    int rc = std::system(("curl -s --connect-to ::" + site.connect_to() + " -K " + config).c_str());
    benchmark::DoNotOptimize(rc);
  });
  double budget = 200 * 0.050 + curl;
  std::printf("album of 200 x 200 KB: %.3f s; 200 x 50 ms + curl (%.3f s) = %.3f s\n", ours, curl,
              budget);
  bench::report("album download / (200 x 50 ms + curl)", ours / budget, 1.05);

  // The picture check as the bytes stream in, against copying them once.
  std::vector<unsigned char> big(64u << 20, 0x55), copy(big.size());
  // Start, a scan header, scan data with a stuffed FF every 256 bytes as real ones have,
  // and the end marker.
  for (size_t i = 300; i + 1 < big.size(); i += 256) big[i] = 0xFF, big[i + 1] = 0x00;
  const unsigned char start[] = {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02};
  std::memcpy(big.data(), start, sizeof start);
  big[big.size() - 2] = 0xFF, big.back() = 0xD9;
  const size_t chunk = 16 * 1024;  // what libcurl hands over at a time
  bool whole = false;
  double check = bench::best_of(5, [&] {
    PictureCheck c;
    for (size_t i = 0; i < big.size(); i += chunk) c.feed(big.data() + i, chunk);
    whole = c.whole();
  });
  double copied = bench::best_of(5, [&] {
    for (size_t i = 0; i < big.size(); i += chunk)
      std::memcpy(copy.data() + i, big.data() + i, chunk);
    benchmark::DoNotOptimize(copy.data());
  });
  std::printf("picture check of 64 MB: %.3f ms (whole: %d); copying it: %.3f ms\n", check * 1e3,
              whole, copied * 1e3);
  bench::report("picture check, ms per MB", check * 1e3 / 64, 1.0);
  bench::report("picture check / one copy of the bytes", check / copied, 1.0);

  fs::remove_all(save);
  long added = bench::peak_memory_added([&] { download_album(album.url, "bench"); });
  bench::report("peak memory added by the 200-picture album, MB", double(added) / (1 << 20), 64);

  auto list = [&](const char* owner) {
    set_album_owner(owner);
    return bench::best_of(1, [] { load_album_list(); });
  };
  double t5000 = list("many"), t500 = list("few");
  std::printf("listing without covers: 5,000 albums %.3f s, 500 albums %.3f s\n", t5000, t500);
  bench::report("(5,000 albums - 1 s pause) / (500 albums - 1 s pause)",
                (t5000 - 1.0) / std::max(1e-3, t500 - 1.0), 11);
  set_current_window(nullptr);
  set_connect_to("");
  site.stop();
  fs::remove_all(save);
  std::remove(config.c_str());
  return bench::finish();
}
