#include <httplib.h>

#include <cstdlib>
#include <fstream>
#include <thread>

#include "bench/common.h"
#include "http/fetch.h"

using namespace af;

int main() {
  httplib::Server server;
  const std::string picture(100 * 1024, 'p');
  const std::string huge(50u << 20, 'h');
  server.Get(R"(/p/(\d+)\.jpg)", [&](const httplib::Request&, httplib::Response& r) {
    r.set_content(picture, "image/jpeg");
  });
  server.Get("/huge", [&](const httplib::Request&, httplib::Response& r) {
    r.set_content(huge, "application/octet-stream");
  });
  int port = server.bind_to_any_port("127.0.0.1");
  std::thread t([&] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const std::string base = "http://127.0.0.1:" + std::to_string(port);

  const int n = 500;
  std::string config = "/tmp/albumfetch-bench-curl.txt";
  {
    std::ofstream cfg(config);
    for (int i = 0; i < n; ++i)
      cfg << "url = \"" << base << "/p/" << i << ".jpg\"\noutput = \"/dev/null\"\n";
  }
  // Best of many: one pass is only some 60 ms, at the mercy of the scheduler.
  double ours = bench::best_of(9, [&] {
    for (int i = 0; i < n; ++i)
      benchmark::DoNotOptimize(http_fetch(base + "/p/" + std::to_string(i) + ".jpg").size());
  });
  double curl = bench::best_of(9, [&] {
    int rc = std::system(("curl -s -K " + config).c_str());
    benchmark::DoNotOptimize(rc);
  });
  std::printf("500 GETs of 100 KB: http_fetch %.3f s, curl %.3f s\n", ours, curl);
  bench::report("http_fetch / curl, 500 sequential GETs of 100 KB", ours / curl, 1.0);

  long added = bench::peak_memory_added([&] {
    Bytes b = http_fetch(base + "/huge");
    benchmark::DoNotOptimize(b.size());
  });
  bench::report("peak memory of one 50 MB body / 50 MB", double(added) / double(50u << 20), 2.5);
  server.stop();
  t.join();
  std::remove(config.c_str());
  return bench::finish();
}
