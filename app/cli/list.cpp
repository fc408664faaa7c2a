#include <cstdio>

#include "albums/state.h"
#include "app/cli/cli.h"
#include "app/cli/session.h"
#include "http/failure.h"
#include "http/fetch.h"
#include "platform/codepage.h"
#include "platform/controls.h"

namespace af::cli {
namespace {

const char* list_help =
    "用法: albumfetch list [选项] ADDRESS\n"
    "\n"
    "列出相册：序号、相册名称、相册地址，以制表符分隔。ADDRESS 为成员主页时列出其全部相册，\n"
    "为单个作品页面时列出这一个相册。什么也不写入。\n"
    "\n"
    "选项:\n"
    "  -q, --quiet     只报告失败\n"
    "  -v, --verbose   显示每次网络交换（libcurl）\n"
    "  -h, --help      显示本帮助\n";

// A cell as one field: its tabs and line feeds would shift the columns.
std::string field(const Text& text) {
  std::string t = terminal_safe(gbk_to_utf8(text)), out;
  for (char c : t) {
    if (c == '\t') {
      out += "\\x09";
    } else if (c == '\n') {
      out += "\\x0A";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

int run_list(int argc, char** argv) {
  QCommandLineParser parser;
  add_output_options(parser);
  if (auto done = parse(parser, "list", list_help, argc, argv)) return *done;
  if (parser.positionalArguments().size() != 1)
    return usage_error("list",
                       parser.positionalArguments().isEmpty() ? "缺少地址" : "只能给一个地址");
  std::string address = parser.positionalArguments().first().toStdString();
  reset_failure_count();
  Session s(parser);
  Text entered = normalise_address(utf8_to_gbk(std::string_view(address)));
  if (kind_of_address(entered) == AddressKind::album) {
    // One album page: its own row, and nothing downloaded.
    entered = page_address(entered);
    Text title = album_page_title(entered);
    FetchReport r = last_fetch_report();
    if (r.error != TransferError::none || r.status < 200 || r.status >= 300) {
      say("相册页面获取失败：" + terminal_text(entered) + "（" +
          terminal_text(describe_failure(r)) + "）\n");
      return 1;
    }
    std::printf("1\t%s\t%s\n", field(title).c_str(), field(entered).c_str());
    return 0;
  }
  auto kind = s.classify(address);
  if (!kind) return interrupted_status();
  if (*kind != AddressKind::member) return kind_status(*kind);
  std::vector<NewRow> rows = s.listed_rows();
  for (size_t i = 0; i < rows.size(); ++i) {
    std::printf("%zu\t%s\t%s\n", i + 1, field(rows[i].title).c_str(),
                field(rows[i].address).c_str());
  }
  std::fflush(stdout);
  return failure_count() > 0 ? 1 : 0;
}

}  // namespace af::cli
