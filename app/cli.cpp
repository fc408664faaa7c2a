#include "app/cli.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "albums/classify.h"
#include "albums/state.h"
#include "app/headless_window.h"
#include "download/batch.h"
#include "download/report.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/files.h"

namespace af {
namespace {

std::atomic<bool> interrupted{false};
extern "C" void on_sigint(int) {
  interrupted.store(true);
}

std::mutex out_mutex;
bool progress_shown = false;

void clear_progress_line() {
  if (progress_shown) {
    std::fputs("\r\033[K", stderr);
    progress_shown = false;
  }
}

void say(const std::string& utf8) {
  std::lock_guard lock(out_mutex);
  clear_progress_line();
  std::fputs(utf8.c_str(), stderr);
  std::fflush(stderr);
}

// Page text on a terminal: control characters (escape sequences among them) are shown
// escaped rather than obeyed; tab and line feed pass.
std::string terminal_safe(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  char esc[16];
  for (size_t i = 0; i < utf8.size(); ++i) {
    auto c = static_cast<unsigned char>(utf8[i]);
    if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) {
      std::snprintf(esc, sizeof esc, "\\x%02X", c);
      out += esc;
    } else if (c == 0xC2 && i + 1 < utf8.size() &&
               static_cast<unsigned char>(utf8[i + 1]) < 0xA0) {  // U+0080..U+009F
      std::snprintf(esc, sizeof esc, "\\u%04X", static_cast<unsigned char>(utf8[++i]));
      out += esc;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

// Log texts carry Windows line ends; the terminal wants plain ones.
std::string terminal_text(const Text& gbk) {
  std::string s = gbk_to_utf8(gbk), out;
  for (char c : s)
    if (c != '\r') out.push_back(c);
  return terminal_safe(out);
}

// Waits for a worker, returning false when Ctrl-C came first.
bool wait_for(const WorkerHandle& w) {
  while (w && !w->finished.load()) {
    if (interrupted.load()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

int number_in(const Text& caption) {
  int start = find_text(caption, "[");
  return start == -1 ? 0 : to_integer(mid_text(caption, start + 1, 12));
}

// "2,5" or "1-3,7" into row numbers; nullopt when malformed.
std::optional<std::set<int>> parse_selection(const std::string& list) {
  std::set<int> rows;
  size_t pos = 0;
  while (pos <= list.size()) {
    size_t comma = list.find(',', pos);
    std::string part =
        list.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
    size_t dash = part.find('-');
    char* end = nullptr;
    if (part.empty()) return std::nullopt;
    long a = std::strtol(part.c_str(), &end, 10);
    long b = a;
    if (dash != std::string::npos) {
      if (end != part.c_str() + dash) return std::nullopt;
      b = std::strtol(part.c_str() + dash + 1, &end, 10);
    }
    if (*end != '\0' || a < 1 || b < a || b > 1000000) return std::nullopt;
    for (long i = a; i <= b; ++i) rows.insert(static_cast<int>(i));
    if (comma == std::string::npos) break;
    pos = comma + 1;
  }
  return rows;
}

struct Session {
  HeadlessWindow window;
  std::atomic<bool> done{false};
  std::thread progress;

  Session() {
    window.on_log = [](const Text& t) { say(terminal_text(t)); };
    window.on_message = [](const Text& m, const Text& caption) {
      say(terminal_text(caption) + terminal_text(m) + "\n");
      return 0;
    };
    set_current_window(&window);
    std::signal(SIGINT, on_sigint);
    if (::isatty(2)) progress = std::thread([this] { show_progress(); });
  }
  ~Session() {
    done = true;
    if (progress.joinable()) progress.join();
    {
      std::lock_guard lock(out_mutex);
      clear_progress_line();
    }
    stop_all_workers(3000);
    set_current_window(nullptr);
  }

  // One line that replaces itself: album j of n, picture k of m.
  void show_progress() {
    while (!done) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      auto bar = window.control(ctl::进度条1);
      int j = number_in(window.control(ctl::标签_正在下载相册).text);
      int n = number_in(window.control(ctl::标签_选择了相册数量).text);
      char line[128];
      if (n > 0) {
        std::snprintf(line, sizeof line, "相册 %d/%d  图片 %d/%d", j, n, bar.position, bar.maximum);
      } else {
        std::snprintf(line, sizeof line, "进度 %d/%d", bar.position, bar.maximum);
      }
      std::lock_guard lock(out_mutex);
      std::fprintf(stderr, "\r\033[K%s", line);
      std::fflush(stderr);
      progress_shown = true;
    }
  }

  // Runs the get-albums action for `address` on a worker of its own, so that Ctrl-C can
  // stop a single-album download too.
  std::optional<AddressKind> classify(const std::string& address) {
    window.set_text(ctl::编辑框_号码, utf8_to_gbk(std::string_view(address)));
    // The driver may outlive this call when interrupted, so it owns its result.
    auto kind = std::make_shared<std::atomic<AddressKind>>(AddressKind::empty);
    WorkerHandle driver = start_worker([kind] { kind->store(classify_address()); });
    if (!wait_for(driver)) return std::nullopt;
    if (kind->load() == AddressKind::member && !wait_for(list_worker())) return std::nullopt;
    return kind->load();
  }
};

int kind_status(AddressKind kind) {
  if (kind == AddressKind::group) {
    say("这是小组页面：没有可列出的相册，请输入成员主页或单个作品的地址\n");
  }
  return 2;
}

int interrupted_status() {
  say("已中断\n");
  return 130;
}

int run_list(const std::string& address) {
  reset_failure_count();
  Session s;
  auto kind = s.classify(address);
  if (!kind) return interrupted_status();
  if (*kind != AddressKind::member && *kind != AddressKind::album) return kind_status(*kind);
  if (*kind == AddressKind::member) {
    auto list = s.window.control(ctl::超级列表框1);
    std::lock_guard lock(out_mutex);
    for (auto& row : list.rows) {
      // Tabs inside a cell would shift the columns; they are shown escaped too.
      auto cell = [&](int col) {
        std::string t = terminal_safe(gbk_to_utf8(row.cells[col]));
        for (size_t p; (p = t.find('\t')) != std::string::npos;) t.replace(p, 1, "\\x09");
        for (size_t p; (p = t.find('\n')) != std::string::npos;) t.replace(p, 1, "\\x0A");
        return t;
      };
      std::printf("%s\t%s\t%s\n", cell(ctl::col_序号).c_str(), cell(ctl::col_相册名称).c_str(),
                  cell(ctl::col_相册ID).c_str());
    }
    std::fflush(stdout);
  }
  return failure_count() > 0 ? 1 : 0;
}

int run_download(const std::string& address, const std::string& save,
                 const std::optional<std::set<int>>& selection, bool overwrite) {
  reset_failure_count();
  std::error_code ec;
  auto dir = std::filesystem::absolute(
      save.empty() ? std::filesystem::current_path(ec) : std::filesystem::path(save), ec);
  Session s;
  s.window.set_text(ctl::编辑框_保存位置, gbk_path(dir.lexically_normal()));
  // A second run fetches only what the records cannot prove is there.
  s.window.set_checked(ctl::选择框_跳过已下载, !overwrite);
  auto kind = s.classify(address);
  if (!kind) return interrupted_status();
  if (*kind == AddressKind::member) {
    int rows = s.window.row_count(ctl::超级列表框1);
    if (selection) {
      for (int r = 0; r < rows; ++r)
        s.window.set_row_checked(ctl::超级列表框1, r, selection->count(r + 1) > 0);
      for (int n : *selection)
        if (n > rows) say("没有第" + std::to_string(n) + "个相册，已略过\n");
    }
    s.window.set_visible(ctl::按钮_下载选中, false);
    s.window.set_visible(ctl::按钮_暂停线程, true);
    s.window.set_visible(ctl::按钮_继续下载, false);
    set_download_worker(start_worker([] { download_selected(); }));
    if (!wait_for(download_worker())) return interrupted_status();
  } else if (*kind != AddressKind::album) {
    return kind_status(*kind);
  }
  return failure_count() > 0 ? 1 : 0;
}

int run_report(const std::string& dir_utf8) {
  std::error_code ec;
  std::filesystem::path dir(dir_utf8);
  if (!std::filesystem::is_directory(dir, ec)) {
    std::fprintf(stderr, "不是文件夹：%s\n", terminal_safe(dir_utf8).c_str());
    return 2;
  }
  std::vector<AlbumReport> albums = report_albums(gbk_path(std::filesystem::absolute(dir, ec)));
  std::puts("文件夹\t相册页面\t已保存\t失败\t缺少\t同一页面的其他文件夹");
  int incomplete = 0;
  for (const AlbumReport& a : albums) {
    std::string others;
    for (const Text& f : a.same_page) others += (others.empty() ? "" : " | ") + gbk_to_utf8(f);
    std::printf("%s\t%s\t%d\t%d\t%d\t%s\n", terminal_safe(gbk_to_utf8(a.folder)).c_str(),
                terminal_safe(gbk_to_utf8(a.page_address)).c_str(), a.saved, a.failed, a.missing,
                terminal_safe(others).c_str());
    incomplete += a.failed + a.missing > 0;
  }
  std::fflush(stdout);
  std::fprintf(stderr, "%zu 个相册，%d 个不完整\n", albums.size(), incomplete);
  return incomplete > 0 ? 1 : 0;
}

}  // namespace

void print_usage() {
  std::fputs(
      "用法:\n"
      "  albumfetch                         打开窗口\n"
      "  albumfetch list ADDRESS            列出成员主页上的相册：序号、相册名称、相册地址\n"
      "  albumfetch download ADDRESS [--save DIR] [--select LIST] [--overwrite]\n"
      "                                     下载相册。ADDRESS 为成员主页时下载 LIST 中的相册\n"
      "                                     （如 2,5 或 1-3,7；默认全部），为单个作品页面时\n"
      "                                     直接下载该相册。DIR 默认为当前目录。已下载且未改动\n"
      "                                     的图片会跳过；--overwrite：全部重新下载。\n"
      "  albumfetch report DIR              根据相册记录列出 DIR 下每个相册的完成情况（不联网）\n"
      "  albumfetch demo [--serve] [--port N]\n"
      "                                     在本机启动演示社区（--serve：不开窗口）\n"
      "  albumfetch --help | --version\n"
      "\n"
      "环境变量:\n"
      "  ALBUMFETCH_CONNECT_TO=HOST:PORT    所有连接都发往 HOST:PORT（地址和 Host 头不变）\n"
      "\n"
      "退出码: 0 全部保存；1 有相册页面或图片失败；2 用法或地址有误；130 被中断\n",
      stdout);
}

int run_cli(int argc, char** argv) {
  if (argc < 2) {
    print_usage();
    return 2;
  }
  std::string cmd = argv[1];
  if (cmd == "--help" || cmd == "-h" || cmd == "help") {
    print_usage();
    return 0;
  }
  if (cmd == "--version") {
    std::puts(std::string(program_version).c_str());
    return 0;
  }
  if (cmd == "report") {
    if (argc != 3) {
      std::fputs("用法：albumfetch report DIR\n", stderr);
      return 2;
    }
    return run_report(argv[2]);
  }
  if (cmd == "list" || cmd == "download") {
    std::optional<std::string> address;
    std::string save;
    std::optional<std::set<int>> selection;
    bool overwrite = false;
    for (int i = 2; i < argc; ++i) {
      std::string a = argv[i];
      if (cmd == "download" && a == "--overwrite") {
        overwrite = true;
      } else if (cmd == "download" && (a == "--save" || a == "--select") && i + 1 < argc) {
        std::string v = argv[++i];
        if (a == "--save") {
          save = v;
        } else {
          selection = parse_selection(v);
          if (!selection) {
            std::fprintf(stderr, "--select 的格式不正确：%s（例如 2,5 或 1-3,7）\n", v.c_str());
            return 2;
          }
        }
      } else if (!address && (a.empty() || a[0] != '-')) {
        address = a;
      } else {
        std::fprintf(stderr, "无法识别的参数：%s\n", a.c_str());
        print_usage();
        return 2;
      }
    }
    if (!address) {
      std::fputs("缺少地址\n", stderr);
      print_usage();
      return 2;
    }
    return cmd == "list" ? run_list(*address) : run_download(*address, save, selection, overwrite);
  }
  std::fprintf(stderr, "无法识别的命令：%s\n", cmd.c_str());
  print_usage();
  return 2;
}

}  // namespace af
