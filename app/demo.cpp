#include "app/demo.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "app/community/demo.h"
#include "app/qt/gui.h"
#include "http/transport.h"

namespace af {
namespace {

volatile std::sig_atomic_t stop_serving = 0;
extern "C" void on_stop(int) {
  stop_serving = 1;
}

}  // namespace

int run_demo(int argc, char** argv) {
  bool serve = false;
  int port = 0;
  WindowOptions options;
  for (int i = 2; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--serve") {
      serve = true;
    } else if (a == "--port" && i + 1 < argc) {
      char* end = nullptr;
      long p = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || p < 1 || p > 65535) {
        std::fprintf(stderr, "--port 需要 1 到 65535 之间的端口号\n");
        return 2;
      }
      port = static_cast<int>(p);
    } else if (a == "--screenshot" && i + 1 < argc) {
      options.screenshot = argv[++i];
    } else {
      std::fprintf(stderr, "无法识别的参数：%s\n", a.c_str());
      return 2;
    }
  }
  community::Community site;
  community::populate_demo(site);
  if (!site.start(port)) {
    std::fprintf(stderr, "演示社区无法在端口 %d 上启动\n", port);
    return 1;
  }
  std::string address = community::Community::member_url(community::demo_member);
  if (serve) {
    std::signal(SIGINT, on_stop);
    std::signal(SIGTERM, on_stop);
    std::printf("ALBUMFETCH_CONNECT_TO=%s %s\n", site.connect_to().c_str(), address.c_str());
    std::fflush(stdout);
    while (!stop_serving) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    site.stop();
    return 0;
  }
  set_connect_to(site.connect_to());
  options.address = address;
  int rc = run_window(argc, argv, options);
  site.stop();
  return rc;
}

}  // namespace af
