#include "app/cli/cli.h"

#include <cstdio>
#include <string>
#include <vector>

#include "albums/state.h"
#include "app/cli/demo.h"
#include "app/cli/options.h"
#include "app/cli/session.h"
#include "app/qt/gui.h"

namespace af {
namespace {

const char* usage =
    "用法:\n"
    "  albumfetch [ADDRESS]               打开窗口（给出地址时填入地址栏）\n"
    "  albumfetch list ADDRESS... [-i FILE] [--json]\n"
    "                                     列出相册：序号、相册名称、相册地址\n"
    "  albumfetch download ADDRESS... [-i FILE] [--save DIR] [--select LIST] [--overwrite]\n"
    "                                     下载相册；已下载且未改动的图片会跳过\n"
    "  albumfetch report DIR [--json]     根据相册记录列出 DIR 下每个相册的完成情况（不联网）\n"
    "  albumfetch demo [--serve] [--port N]\n"
    "                                     在本机启动演示社区（--serve：不开窗口）\n"
    "  albumfetch help COMMAND            一个命令的详细说明（同 COMMAND --help）\n"
    "  albumfetch --help | --version\n"
    "\n"
    "通用选项（可写在命令之前或之后）:\n"
    "  -q, --quiet        只报告失败和统计\n"
    "  -v, --verbose      显示每次网络交换（libcurl）\n"
    "  --proxy URL        所有请求都经过这个代理（代替 http_proxy 等环境变量）\n"
    "  --no-proxy         不用任何代理\n"
    "\n"
    "环境变量:\n"
    "  http_proxy, https_proxy, all_proxy, no_proxy\n"
    "                                     代理设置，与 curl 相同，用于所有请求\n"
    "  ALBUMFETCH_CONNECT_TO=HOST:PORT    所有连接都发往 HOST:PORT（地址和 Host 头不变）\n"
    "  ALBUMFETCH_CURL_VERBOSE=1          同 --verbose\n"
    "  ALBUMFETCH_CA_BUNDLE=FILE          校验证书时信任的 CA 证书（代替系统的）\n"
    "\n"
    "退出码: 0 全部保存；1 有相册页面或图片失败；2 用法或地址有误；3 保存位置无法写入；\n"
    "        4 无法连接主页或相册页面；5 没有可下载的内容；130 被中断\n";

int dispatch(std::vector<std::string> args) {
  std::vector<char*> argv{const_cast<char*>("albumfetch")};
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int argc = static_cast<int>(argv.size()) - 1;
  const std::string& cmd = args[0];
  if (cmd == "list") return cli::run_list(argc, argv.data());
  if (cmd == "download") return cli::run_download(argc, argv.data());
  if (cmd == "report") return cli::run_report(argc, argv.data());
  if (cmd == "demo") return run_demo(argc, argv.data());
  return -1;
}

// Only global options, and at most a last word that is not one: the window's way of
// starting, `albumfetch [OPTIONS] [ADDRESS]`. Opens the window, or says what is wrong.
int without_command(const std::vector<std::string>& given, int argc, char** argv) {
  QCommandLineParser parser;
  cli::add_global_options(parser);
  std::vector<std::string> words(given);
  std::vector<char*> argv_words{argv[0], const_cast<char*>("")};
  for (std::string& w : words) argv_words.push_back(w.data());
  if (auto done =
          cli::parse(parser, "", usage, static_cast<int>(argv_words.size()), argv_words.data()))
    return *done;
  QStringList positional = parser.positionalArguments();
  if (positional.isEmpty()) return cli::usage_error("", "缺少命令");
  if (auto bad = cli::apply_global_options(parser, "")) return *bad;
  WindowOptions window;
  window.address = positional.first().toStdString();
  return run_window(argc, argv, window);
}

}  // namespace

int run_cli(int argc, char** argv) {
  std::vector<std::string> given(argv + 1, argv + argc);
  if (given.empty()) return run_window(argc, argv, {});
  std::vector<std::string> args = cli::options_after_command(given);
  const std::string cmd = args[0];
  if (cmd == "--help" || cmd == "-h" || (cmd == "help" && args.size() == 1)) {
    std::fputs(usage, stdout);
    return 0;
  }
  if (cmd == "--version" || cmd == "-V") {
    std::printf("albumfetch %s\n", std::string(program_version).c_str());
    return 0;
  }
  if (cmd == "help") {
    int rc = dispatch({args[1], "--help"});
    return rc >= 0 ? rc : cli::usage_error("help", "无法识别的命令：" + args[1]);
  }
  if (int rc = dispatch(args); rc >= 0) return rc;
  // What is left is either the window's start, or a word that is no command.
  bool window_start = true;
  for (size_t k = 0; k + 1 < given.size(); ++k)
    window_start = window_start && (given[k][0] == '-' || (k > 0 && given[k - 1] == "--proxy"));
  const std::string& last = given.back();
  bool last_is_value = given.size() >= 2 && given[given.size() - 2] == "--proxy";
  if (window_start && (last[0] == '-' || last_is_value || cli::looks_like_address(last)))
    return without_command(given, argc, argv);
  if (!cmd.empty() && cmd[0] == '-') return cli::usage_error("", "无法识别的选项：" + cmd);
  return cli::usage_error("", "无法识别的命令：" + cmd);
}

}  // namespace af
