#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>
#include <vector>

#include "albums/state.h"
#include "albums/tally.h"
#include "app/cli/addresses.h"
#include "app/cli/arguments.h"
#include "app/cli/cli.h"
#include "app/cli/exit_status.h"
#include "app/cli/options.h"
#include "app/cli/session.h"
#include "download/album.h"
#include "download/batch.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace af::cli {
namespace {

const char* download_help =
    "用法: albumfetch download [选项] ADDRESS...\n"
    "\n"
    "下载相册。ADDRESS 为成员主页时下载 --select 选中的相册（默认全部），为单个作品页面时\n"
    "直接下载该相册。几个地址依次下载，最后报告总数。每个相册一个文件夹，放在\n"
    "<保存位置>/<成员>/ 下。已下载且未改动的图片会跳过（依据相册文件夹里的\n"
    ".albumfetch-record）。保存位置无法创建或写入时什么也不下载。\n"
    "\n"
    "选项:\n"
    "  --save DIR        保存位置（默认当前目录）\n"
    "  --select LIST     要下载的相册序号，如 2,5 或 1-3,7（每个成员主页都按它选）\n"
    "  --overwrite       不跳过，全部重新下载\n"
    "  -i, --input-file FILE  再从 FILE 读地址，一行一个（- 为标准输入；空行和 # 开头的行不算）\n"
    "  -q, --quiet       只报告失败和最后的统计\n"
    "  -v, --verbose     显示每次网络交换（libcurl）\n"
    "  --proxy URL       经过这个代理；--no-proxy：不用代理\n"
    "  -h, --help        显示本帮助\n"
    "\n"
    "退出码: 0 全部保存；1 有相册页面或图片失败；2 用法或地址有误；3 保存位置无法写入；\n"
    "        4 无法连接主页或相册页面；5 没有可下载的内容；130 被中断\n";

// "2,5" or "1-3,7" as ranges of row numbers; nothing when malformed. Whether the rows
// exist is only known once the albums are listed.
using Selection = std::vector<std::pair<long, long>>;
std::optional<Selection> parse_selection(const std::string& list) {
  Selection ranges;
  size_t pos = 0;
  while (pos <= list.size()) {
    size_t comma = list.find(',', pos);
    std::string part =
        list.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
    size_t dash = part.find('-');
    char* end = nullptr;
    if (part.empty() || part.size() > 24 || part[0] < '0' || part[0] > '9') return std::nullopt;
    long a = std::strtol(part.c_str(), &end, 10);
    long b = a;
    if (dash != std::string::npos) {
      if (end != part.c_str() + dash || dash + 1 >= part.size()) return std::nullopt;
      b = std::strtol(part.c_str() + dash + 1, &end, 10);
    }
    if (*end != '\0' || a < 1 || b < a) return std::nullopt;
    ranges.emplace_back(a, b);
    if (comma == std::string::npos) break;
    pos = comma + 1;
  }
  return ranges;
}

bool selected(const Selection& s, long row) {
  for (auto [a, b] : s)
    if (row >= a && row <= b) return true;
  return false;
}

// Downloads what one address names; a status when the run must end here (interrupted,
// bad selection), nothing to go on with the next address.
std::optional<int> download_one(Session& s, const std::string& address,
                                const std::optional<Selection>& selection,
                                const std::string& select_text, bool& bad_address) {
  auto kind = s.classify(address);
  if (!kind) return interrupted_status();
  if (*kind == AddressKind::album) return std::nullopt;
  if (*kind != AddressKind::member) {
    kind_status(*kind);
    bad_address = true;
    return std::nullopt;
  }
  int rows = static_cast<int>(s.listed_rows().size());
  if (selection) {
    long beyond = 0;
    for (auto [a, b] : *selection) beyond = std::max(beyond, b);
    if (beyond > rows) {
      return usage_error(
          "download",
          "--select " + select_text + "：没有第 " + std::to_string(beyond) + " 个相册（" +
              (rows > 0 ? "只有第 1 到 " + std::to_string(rows) + " 个" : "这个主页上没有相册") +
              "）");
    }
    for (int r = 0; r < rows; ++r)
      s.window.set_row_checked(ctl::超级列表框1, r, selected(*selection, r + 1));
  }
  s.window.report(ButtonsEvent{DownloadButtonState::running});
  set_download_worker(start_worker([] { download_selected(); }));
  if (!wait_for(download_worker())) return interrupted_status();
  return std::nullopt;
}

}  // namespace

int run_download(int argc, char** argv) {
  QCommandLineParser parser;
  parser.addOption(QCommandLineOption("save", "save", "DIR"));
  parser.addOption(QCommandLineOption("select", "select", "LIST"));
  parser.addOption(QCommandLineOption("overwrite", "overwrite"));
  add_global_options(parser);
  add_input_option(parser);
  if (auto done = parse(parser, "download", download_help, argc, argv)) return *done;
  if (auto bad = apply_global_options(parser, "download")) return *bad;
  std::optional<Selection> selection;
  std::string select_text = parser.value("select").toStdString();
  if (parser.isSet("select")) {
    selection = parse_selection(select_text);
    if (!selection)
      return usage_error("download",
                         "--select 的格式不正确：" + select_text + "（例如 2,5 或 1-3,7）");
  }
  std::string save = raw_argument(argc, argv, parser.value("save"));
  if (parser.isSet("save") && save.empty()) return usage_error("download", "--save 不能为空");
  int status = 0;
  auto addresses = gather_addresses(parser, "download", status);
  if (!addresses) return status;

  std::error_code ec;
  auto dir = std::filesystem::absolute(
      save.empty() ? std::filesystem::current_path(ec) : std::filesystem::path(save), ec);
  Text save_folder = gbk_path(dir.lexically_normal());
  // Found before any request: a save folder that cannot take a file ends the run at once.
  if (Text cause = prepare_folder(save_folder, true); !cause.empty()) {
    say("无法写入保存位置：" + terminal_text(gbk_path(native_path(save_folder))) + "（" +
        terminal_text(cause) + "）\n");
    return exit_save_folder;
  }
  reset_failure_count();
  reset_run_tally();
  Session s(parser);
  s.window.set_text(ctl::编辑框_保存位置, save_folder);
  // A second run fetches only what the records cannot prove is there.
  s.window.set_checked(ctl::选择框_跳过已下载, !parser.isSet("overwrite"));
  bool bad_address = false;
  size_t count = addresses->size();
  for (size_t k = 0; k < count; ++k) {
    const std::string& address = (*addresses)[k];
    announce_address(s, k, count, address);
    if (auto done = download_one(s, address, selection, select_text, bad_address)) return *done;
  }
  RunTally tally = run_tally();
  if (count > 1) {
    say(terminal_text(
        account_line(GBK("全部 ") + to_text(static_cast<int>(count)) + GBK(" 个地址："),
                     tally.pictures_saved, tally.pictures_skipped, tally.pictures_failed)));
  }
  return bad_address ? exit_usage : status_of(tally, Work::download);
}

}  // namespace af::cli
