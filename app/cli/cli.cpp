#include "app/cli/cli.h"

#include <cstdio>
#include <string>

#include "albums/state.h"
#include "app/cli/demo.h"
#include "app/cli/session.h"

namespace af {
namespace {

const char* usage =
    "用法:\n"
    "  albumfetch                         打开窗口\n"
    "  albumfetch list ADDRESS            列出相册：序号、相册名称、相册地址\n"
    "  albumfetch download ADDRESS [--save DIR] [--select LIST] [--overwrite]\n"
    "                                     下载相册；已下载且未改动的图片会跳过\n"
    "  albumfetch report DIR              根据相册记录列出 DIR 下每个相册的完成情况（不联网）\n"
    "  albumfetch demo [--serve] [--port N]\n"
    "                                     在本机启动演示社区（--serve：不开窗口）\n"
    "  albumfetch COMMAND --help          一个命令的详细说明\n"
    "  albumfetch --help | --version\n"
    "\n"
    "list 和 download 还接受 -q/--quiet（只报告失败和统计）和 -v/--verbose（显示网络交换）。\n"
    "\n"
    "环境变量:\n"
    "  ALBUMFETCH_CONNECT_TO=HOST:PORT    所有连接都发往 HOST:PORT（地址和 Host 头不变）\n"
    "  ALBUMFETCH_CURL_VERBOSE=1          同 --verbose\n"
    "  ALBUMFETCH_CA_BUNDLE=FILE          校验证书时信任的 CA 证书（代替系统的）\n"
    "\n"
    "退出码: 0 全部保存；1 有相册页面或图片失败；2 用法或地址有误；130 被中断\n";

}  // namespace

int run_cli(int argc, char** argv) {
  std::string cmd = argc >= 2 ? argv[1] : "";
  if (cmd == "--help" || cmd == "-h" || cmd == "help") {
    std::fputs(usage, stdout);
    return 0;
  }
  if (cmd == "--version" || cmd == "-V") {
    std::printf("albumfetch %s\n", std::string(program_version).c_str());
    return 0;
  }
  if (cmd == "list") return cli::run_list(argc, argv);
  if (cmd == "download") return cli::run_download(argc, argv);
  if (cmd == "report") return cli::run_report(argc, argv);
  if (cmd == "demo") return run_demo(argc, argv);
  if (!cmd.empty() && cmd[0] == '-') return cli::usage_error("", "无法识别的选项：" + cmd);
  return cli::usage_error("", "无法识别的命令：" + cmd);
}

}  // namespace af
