#include "download/report.h"

#include <cstdio>
#include <filesystem>

#include "app/cli/arguments.h"
#include "app/cli/cli.h"
#include "app/cli/json.h"
#include "app/cli/options.h"
#include "app/cli/session.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace af::cli {
namespace {

const char* report_help =
    "用法: albumfetch report [选项] DIR\n"
    "\n"
    "根据相册文件夹里的记录（.albumfetch-record），不联网，列出 DIR 下每个相册：文件夹、\n"
    "相册页面、已保存、失败、缺少的图片数，以及存有同一相册页面的其他文件夹。\n"
    "有相册不完整时退出码为 1。\n"
    "\n"
    "选项:\n"
    "  --json       每个相册一行 JSON：folder、page、saved、failed、missing、same_page（数组）\n"
    "  -q, --quiet  不在最后报告相册总数\n"
    "  -h, --help   显示本帮助\n";

// One album as one JSON object on one line.
std::string json_line(const AlbumReport& a) {
  std::string others;
  for (const Text& f : a.same_page)
    others += (others.empty() ? "" : ",") + json_string(gbk_to_utf8(f));
  return "{\"folder\":" + json_string(gbk_to_utf8(a.folder)) +
         ",\"page\":" + json_string(gbk_to_utf8(a.page_address)) +
         ",\"saved\":" + std::to_string(a.saved) + ",\"failed\":" + std::to_string(a.failed) +
         ",\"missing\":" + std::to_string(a.missing) + ",\"same_page\":[" + others + "]}\n";
}

}  // namespace

int run_report(int argc, char** argv) {
  QCommandLineParser parser;
  add_global_options(parser);
  parser.addOption(QCommandLineOption("json", "json"));
  if (auto done = parse(parser, "report", report_help, argc, argv)) return *done;
  bool json = parser.isSet("json");
  if (parser.positionalArguments().size() != 1) return usage_error("report", "需要一个文件夹");
  std::string dir_bytes = raw_argument(argc, argv, parser.positionalArguments().first());
  std::error_code ec;
  std::filesystem::path dir(dir_bytes);
  if (!std::filesystem::is_directory(dir, ec))
    return usage_error("report", "不是文件夹：" + terminal_safe(gbk_to_utf8(gbk_path(dir))));
  auto albums = report_albums(gbk_path(std::filesystem::absolute(dir, ec)));
  if (!json) std::puts("文件夹\t相册页面\t已保存\t失败\t缺少\t同一页面的其他文件夹");
  int incomplete = 0;
  for (const AlbumReport& a : albums) {
    incomplete += a.failed + a.missing > 0;
    if (json) {
      std::fputs(json_line(a).c_str(), stdout);
      continue;
    }
    std::string others;
    for (const Text& f : a.same_page) others += (others.empty() ? "" : " | ") + gbk_to_utf8(f);
    std::printf("%s\t%s\t%d\t%d\t%d\t%s\n", terminal_safe(gbk_to_utf8(a.folder)).c_str(),
                terminal_safe(gbk_to_utf8(a.page_address)).c_str(), a.saved, a.failed, a.missing,
                terminal_safe(others).c_str());
  }
  std::fflush(stdout);
  if (!parser.isSet("quiet"))
    std::fprintf(stderr, "%zu 个相册，%d 个不完整\n", albums.size(), incomplete);
  return incomplete > 0 ? 1 : 0;
}

}  // namespace af::cli
