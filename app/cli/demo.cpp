#include "app/cli/demo.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "app/cli/options.h"
#include "app/cli/session.h"
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

const char* demo_help =
    "用法: albumfetch demo [选项]\n"
    "\n"
    "在本机启动一个演示社区（不需要网络），并打开窗口显示其成员主页。\n"
    "\n"
    "选项:\n"
    "  --serve        不开窗口，只提供演示社区，直到 Ctrl-C；先打印连接设置和地址\n"
    "  --port N       演示社区的端口（默认任选一个空闲端口）\n"
    "  -h, --help     显示本帮助\n";

int run_demo(int argc, char** argv) {
  QCommandLineParser parser;
  parser.addOption(QCommandLineOption("serve", "serve"));
  parser.addOption(QCommandLineOption("port", "port", "N"));
  parser.addOption(QCommandLineOption("screenshot", "screenshot", "FILE"));  // for CI
  cli::add_global_options(parser);  // as every command; the proxy ones reach the window
  if (auto done = cli::parse(parser, "demo", demo_help, argc, argv)) return *done;
  if (auto bad = cli::apply_global_options(parser, "demo")) return *bad;
  if (!parser.positionalArguments().isEmpty())
    return cli::usage_error(
        "demo", "无法识别的参数：" + parser.positionalArguments().first().toStdString());
  bool serve = parser.isSet("serve");
  int port = 0;
  WindowOptions options;
  if (parser.isSet("port")) {
    bool ok = false;
    int p = parser.value("port").toInt(&ok);
    if (!ok || p < 1 || p > 65535)
      return cli::usage_error("demo", "--port 需要 1 到 65535 之间的端口号");
    port = p;
  }
  options.screenshot = parser.value("screenshot").toStdString();
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
