#include "app/cli/session.h"

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "albums/state.h"
#include "app/cli/options.h"
#include "app/commands.h"
#include "platform/codepage.h"
#include "platform/controls.h"

namespace af::cli {
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

}  // namespace

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

std::string terminal_text(const Text& text) {
  std::string s = gbk_to_utf8(text), out;
  for (char c : s)
    if (c != '\r') out.push_back(c);
  return terminal_safe(out);
}

void say(const std::string& utf8) {
  std::lock_guard lock(out_mutex);
  clear_progress_line();
  std::fputs(utf8.c_str(), stderr);
  std::fflush(stderr);
}

int usage_error(const std::string& command, const std::string& message) {
  std::fprintf(stderr, "albumfetch%s%s: %s; see 'albumfetch --help'\n", command.empty() ? "" : " ",
               command.c_str(), terminal_safe(message).c_str());
  return 2;
}

std::optional<int> parse(QCommandLineParser& parser, const std::string& command, const char* help,
                         int argc, char** argv, int first) {
  parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
  QCommandLineOption help_option({"h", "help"}, "help");
  parser.addOption(help_option);
  QStringList args{QString::fromStdString("albumfetch " + command)};
  for (int i = first; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  if (!parser.parse(args)) {
    if (!parser.unknownOptionNames().isEmpty()) {
      QString name = parser.unknownOptionNames().first();
      return usage_error(command, "无法识别的选项：" + std::string(name.size() == 1 ? "-" : "--") +
                                      name.toStdString());
    }
    std::string text = parser.errorText().toStdString();
    size_t quote = text.find('\'');
    if (text.rfind("Missing value after", 0) == 0 && quote != std::string::npos)
      return usage_error(command,
                         "选项缺少值：" + text.substr(quote + 1, text.rfind('\'') - quote - 1));
    return usage_error(command, text);
  }
  if (parser.isSet(help_option)) {
    std::fputs(help, stdout);
    return 0;
  }
  return std::nullopt;
}

Session::Session(const QCommandLineParser& parser) {
  quiet = parser.isSet("quiet");
  // libcurl's own account of every exchange; the environment variable does the same.
  if (parser.isSet("verbose")) ::setenv("ALBUMFETCH_CURL_VERBOSE", "1", 1);
  bool q = quiet;
  window.on_event = [this, q](const Event& event) {
    if (const auto* log = std::get_if<LogEvent>(&event)) {
      // What a quiet run still says: failures, and the accounts at the end of albums and
      // batches with the list of what is missing.
      if (!q || log->kind != LogKind::progress) say(terminal_text(log->text));
    } else if (const auto* notice = std::get_if<NoticeEvent>(&event)) {
      // Quiet keeps what went wrong (an address it cannot take) and drops the closing word.
      if (!q || notice->notice != Notice::batch_done)
        say(terminal_text(GBK("信息：")) + terminal_text(notice_message(notice->notice)) + "\n");
    } else if (const auto* counter = std::get_if<CounterEvent>(&event)) {
      if (counter->counter == Counter::albums_queued) albums_queued = counter->total;
      if (counter->counter == Counter::album_at_work) album_at_work = counter->value;
    } else if (const auto* rows = std::get_if<RowsEvent>(&event)) {
      std::lock_guard lock(rows_mutex);
      for (const NewRow& r : rows->rows) listed.push_back(r);
    } else if (std::holds_alternative<ListClearedEvent>(event)) {
      std::lock_guard lock(rows_mutex);
      listed.clear();
    }
  };
  set_current_window(&window);
  std::signal(SIGINT, on_sigint);
  if (terminal_redraws() && !quiet) progress = std::thread([this] { show_progress(); });
}

std::vector<NewRow> Session::listed_rows() {
  std::lock_guard lock(rows_mutex);
  return listed;
}

Session::~Session() {
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
void Session::show_progress() {
  while (!done) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    auto bar = window.control(ctl::进度条1);
    int j = album_at_work.load();
    int n = albums_queued.load();
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

std::optional<AddressKind> Session::classify(const std::string& address) {
  window.set_text(ctl::编辑框_号码, utf8_to_gbk(std::string_view(address)));
  // The driver may outlive this call when interrupted, so it owns its result.
  auto kind = std::make_shared<std::atomic<AddressKind>>(AddressKind::empty);
  WorkerHandle driver = start_worker([kind] { kind->store(classify_address()); });
  if (!wait_for(driver)) return std::nullopt;
  if (kind->load() == AddressKind::member && !wait_for(list_worker())) return std::nullopt;
  return kind->load();
}

void announce_address(const Session& s, size_t k, size_t count, const std::string& address) {
  if (count > 1 && !s.quiet)
    say("地址 " + std::to_string(k + 1) + "/" + std::to_string(count) + "：" +
        terminal_safe(address) + "\n");
}

bool wait_for(const WorkerHandle& w) {
  while (w && !w->finished.load()) {
    if (interrupted.load()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

int interrupted_status() {
  say("已中断\n");
  return 130;
}

int kind_status(AddressKind kind) {
  if (kind == AddressKind::group) {
    say("这是小组页面：没有可列出的相册，请输入成员主页或单个作品的地址\n");
  }
  return 2;
}

}  // namespace af::cli
