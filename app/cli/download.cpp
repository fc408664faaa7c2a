#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>
#include <vector>

#include "albums/state.h"
#include "app/cli/arguments.h"
#include "app/cli/cli.h"
#include "app/cli/session.h"
#include "download/batch.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/files.h"

namespace af::cli {
namespace {

const char* download_help =
    "用法: albumfetch download [选项] ADDRESS\n"
    "\n"
    "下载相册。ADDRESS 为成员主页时下载 --select 选中的相册（默认全部），为单个作品页面时\n"
    "直接下载该相册。每个相册一个文件夹，放在 <保存位置>/<成员>/ 下。已下载且未改动的图片\n"
    "会跳过（依据相册文件夹里的 .albumfetch-record）。\n"
    "\n"
    "选项:\n"
    "  --save DIR        保存位置（默认当前目录）\n"
    "  --select LIST     要下载的相册序号，如 2,5 或 1-3,7\n"
    "  --overwrite       不跳过，全部重新下载\n"
    "  -q, --quiet       只报告失败和最后的统计\n"
    "  -v, --verbose     显示每次网络交换（libcurl）\n"
    "  -h, --help        显示本帮助\n"
    "\n"
    "退出码: 0 全部保存；1 有相册页面或图片失败；2 用法或地址有误；130 被中断\n";

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

}  // namespace

int run_download(int argc, char** argv) {
  QCommandLineParser parser;
  parser.addOption(QCommandLineOption("save", "save", "DIR"));
  parser.addOption(QCommandLineOption("select", "select", "LIST"));
  parser.addOption(QCommandLineOption("overwrite", "overwrite"));
  add_output_options(parser);
  if (auto done = parse(parser, "download", download_help, argc, argv)) return *done;
  QStringList positional = parser.positionalArguments();
  if (positional.size() != 1)
    return usage_error("download", positional.isEmpty() ? "缺少地址" : "只能给一个地址");
  std::optional<Selection> selection;
  if (parser.isSet("select")) {
    std::string text = parser.value("select").toStdString();
    selection = parse_selection(text);
    if (!selection)
      return usage_error("download", "--select 的格式不正确：" + text + "（例如 2,5 或 1-3,7）");
  }
  std::string save = raw_argument(argc, argv, parser.value("save"));
  if (parser.isSet("save") && save.empty()) return usage_error("download", "--save 不能为空");

  reset_failure_count();
  std::error_code ec;
  auto dir = std::filesystem::absolute(
      save.empty() ? std::filesystem::current_path(ec) : std::filesystem::path(save), ec);
  Session s(parser);
  s.window.set_text(ctl::编辑框_保存位置, gbk_path(dir.lexically_normal()));
  // A second run fetches only what the records cannot prove is there.
  s.window.set_checked(ctl::选择框_跳过已下载, !parser.isSet("overwrite"));
  auto kind = s.classify(positional.first().toStdString());
  if (!kind) return interrupted_status();
  if (*kind == AddressKind::member) {
    int rows = static_cast<int>(s.listed_rows().size());
    if (selection) {
      long beyond = 0;
      for (auto [a, b] : *selection) beyond = std::max(beyond, b);
      if (beyond > rows) {
        return usage_error("download", "--select " + parser.value("select").toStdString() +
                                           "：没有第 " + std::to_string(beyond) + " 个相册（" +
                                           (rows > 0 ? "只有第 1 到 " + std::to_string(rows) + " 个"
                                                     : "这个主页上没有相册") +
                                           "）");
      }
      for (int r = 0; r < rows; ++r)
        s.window.set_row_checked(ctl::超级列表框1, r, selected(*selection, r + 1));
    }
    s.window.report(ButtonsEvent{DownloadButtonState::running});
    set_download_worker(start_worker([] { download_selected(); }));
    if (!wait_for(download_worker())) return interrupted_status();
  } else if (*kind != AddressKind::album) {
    return kind_status(*kind);
  }
  return failure_count() > 0 ? 1 : 0;
}

}  // namespace af::cli
