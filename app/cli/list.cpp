#include <cstdio>

#include "albums/state.h"
#include "albums/tally.h"
#include "app/cli/addresses.h"
#include "app/cli/cli.h"
#include "app/cli/exit_status.h"
#include "app/cli/json.h"
#include "app/cli/options.h"
#include "app/cli/session.h"
#include "http/failure.h"
#include "http/fetch.h"
#include "platform/codepage.h"
#include "platform/controls.h"

namespace af::cli {
namespace {

const char* list_help =
    "用法: albumfetch list [选项] ADDRESS...\n"
    "\n"
    "列出相册：序号、相册名称、相册地址，以制表符分隔。ADDRESS 为成员主页时列出其全部相册，\n"
    "为单个作品页面时列出这一个相册。几个地址依次列出。什么也不写入。\n"
    "\n"
    "选项:\n"
    "  -i, --input-file FILE  再从 FILE 读地址，一行一个（- 为标准输入；空行和 # 开头的行不算）\n"
    "  --json          每个相册一行 JSON：number、title、address、source（给出的地址）\n"
    "  -q, --quiet     只报告失败\n"
    "  -v, --verbose   显示每次网络交换（libcurl）\n"
    "  --proxy URL     经过这个代理；--no-proxy：不用代理\n"
    "  -h, --help      显示本帮助\n"
    "\n"
    "退出码: 0 列出了相册；1 主页或相册页面出错；2 用法或地址有误；4 无法连接；5 没有相册\n";

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

// One album as a line: plain, or one JSON object.
void print_row(bool json, int number, const Text& title, const Text& address,
               const std::string& source) {
  if (json) {
    std::printf("{\"number\":%d,\"title\":%s,\"address\":%s,\"source\":%s}\n", number,
                json_string(gbk_to_utf8(title)).c_str(), json_string(gbk_to_utf8(address)).c_str(),
                json_string(source).c_str());
  } else {
    std::printf("%d\t%s\t%s\n", number, field(title).c_str(), field(address).c_str());
  }
}

// One album page: its own row, and nothing downloaded.
void list_album_page(Text entered, bool json, const std::string& source) {
  entered = page_address(entered);
  Text title = album_page_title(entered);
  FetchReport r = last_fetch_report();
  if (r.error != TransferError::none || r.status < 200 || r.status >= 300) {
    add_to_tally({.pages_unreachable = unreachable(r), .pages_failed = !unreachable(r)});
    say("相册页面获取失败：" + terminal_text(entered) + "（" + terminal_text(describe_failure(r)) +
        "）\n");
    return;
  }
  add_to_tally({.albums_listed = 1});
  print_row(json, 1, title, entered, source);
}

}  // namespace

int run_list(int argc, char** argv) {
  QCommandLineParser parser;
  add_global_options(parser);
  add_input_option(parser);
  parser.addOption(QCommandLineOption("json", "json"));
  if (auto done = parse(parser, "list", list_help, argc, argv)) return *done;
  if (auto bad = apply_global_options(parser, "list")) return *bad;
  int status = 0;
  auto addresses = gather_addresses(parser, "list", status);
  if (!addresses) return status;
  bool json = parser.isSet("json");
  reset_failure_count();
  reset_run_tally();
  Session s(parser);
  bool bad_address = false;
  size_t count = addresses->size();
  for (size_t k = 0; k < count; ++k) {
    const std::string& address = (*addresses)[k];
    announce_address(s, k, count, address);
    Text entered = normalise_address(utf8_to_gbk(std::string_view(address)));
    if (kind_of_address(entered) == AddressKind::album) {
      list_album_page(entered, json, address);
      std::fflush(stdout);
      continue;
    }
    auto kind = s.classify(address);
    if (!kind) return interrupted_status();
    if (*kind != AddressKind::member) {
      kind_status(*kind);
      bad_address = true;
      continue;
    }
    std::vector<NewRow> rows = s.listed_rows();
    for (size_t i = 0; i < rows.size(); ++i)
      print_row(json, static_cast<int>(i) + 1, rows[i].title, rows[i].address, address);
    std::fflush(stdout);
  }
  RunTally tally = run_tally();
  if (count > 1)
    say(std::to_string(count) + " 个地址，共列出 " + std::to_string(tally.albums_listed) +
        " 个相册\n");
  return bad_address ? exit_usage : status_of(tally, Work::list);
}

}  // namespace af::cli
