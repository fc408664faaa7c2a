// Records every control change a listing, a batch and a single album make, and compares
// them with the sequence the window has always shown; a reworded or reordered change fails.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "albums/classify.h"
#include "albums/state.h"
#include "app/commands.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/files.h"
#include "tests/support/gbk.h"
#include "tests/support/road.h"

using namespace af;
using af::test::G;
using af::test::Road;
using af::test::U;
namespace c = af::ctl;

namespace {

class RecordingWindow : public HeadlessWindow {
 public:
  std::string save;  // replaced by "<save>" so the record does not depend on the folder
  std::string text() {
    std::lock_guard lock(m_);
    return out_.str();
  }

 protected:
  void put(const std::string& line) {
    std::string l = line;
    for (size_t at; !save.empty() && (at = l.find(save)) != std::string::npos;)
      l.replace(at, save.size(), "<save>");
    std::lock_guard lock(m_);
    out_ << (std::this_thread::get_id() == main_ ? "main   " : "worker ") << l << "\n";
  }
  static std::string esc(const Text& t) {
    std::string s = U(t), out;
    for (char ch : s)
      out += ch == '\r' ? std::string("\\r") : ch == '\n' ? std::string("\\n") : std::string(1, ch);
    return out;
  }
  static std::string n(std::string_view name) { return std::string(name); }
  void do_set_text(std::string_view ctl, const Text& t) override {
    put("text " + n(ctl) + " " + esc(t));
    HeadlessWindow::do_set_text(ctl, t);
  }
  void do_set_visible(std::string_view ctl, bool v) override {
    put("visible " + n(ctl) + " " + std::to_string(v));
    HeadlessWindow::do_set_visible(ctl, v);
  }
  void do_set_checked(std::string_view ctl, bool v) override {
    put("checked " + n(ctl) + " " + std::to_string(v));
    HeadlessWindow::do_set_checked(ctl, v);
  }
  void do_set_progress(std::string_view b, bool maximum, int v) override {
    put(std::string(maximum ? "maximum " : "position ") + n(b) + " " + std::to_string(v));
    HeadlessWindow::do_set_progress(b, maximum, v);
  }
  void do_clear_rows(std::string_view l) override {
    put("clear " + n(l));
    HeadlessWindow::do_clear_rows(l);
  }
  int do_append_row(std::string_view l) override {
    put("row " + n(l));
    return HeadlessWindow::do_append_row(l);
  }
  void do_set_cell(std::string_view l, int r, int col, const Text& t) override {
    put("cell " + std::to_string(r) + " " + std::to_string(col) + " " + esc(t));
    HeadlessWindow::do_set_cell(l, r, col, t);
  }
  void do_set_row_checked(std::string_view l, int r, bool v) override {
    put("tick " + std::to_string(r) + " " + std::to_string(v));
    HeadlessWindow::do_set_row_checked(l, r, v);
  }
  void do_set_row_picture(std::string_view l, int r, int p) override {
    put("picture " + std::to_string(r) + " " + std::to_string(p));
    HeadlessWindow::do_set_row_picture(l, r, p);
  }
  void do_set_column_width(std::string_view l, int col, int w) override {
    put("width " + std::to_string(col) + " " + std::to_string(w));
    HeadlessWindow::do_set_column_width(l, col, w);
  }
  void do_append_log(std::string_view b, const Text& t) override {
    put("log " + esc(t));
    HeadlessWindow::do_append_log(b, t);
  }
  void do_set_focus(std::string_view ctl) override {
    put("focus " + n(ctl));
    HeadlessWindow::do_set_focus(ctl);
  }
  int do_message_box(const Text& m, int buttons, const Text& caption) override {
    put("message " + esc(caption) + " " + esc(m));
    return HeadlessWindow::do_message_box(m, buttons, caption);
  }

 private:
  std::mutex m_;
  std::ostringstream out_;
  std::thread::id main_ = std::this_thread::get_id();
};

// The changes one thread made, in order: which of the window thread and a worker comes
// first has never been fixed, so only each thread's own order is compared.
std::string thread_lines(const std::string& text, const std::string& thread) {
  std::istringstream in(text);
  std::string line, out;
  while (std::getline(in, line))
    if (line.rfind(thread, 0) == 0) out += line + "\n";
  return out;
}

std::string expected(const std::string& name) {
  std::ifstream in(std::string(ALBUMFETCH_SOURCE_DIR) + "/tests/app/recorded/" + name);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Drive {
  std::string name;
  std::string address;
  bool batch;
};

void PrintTo(const Drive& d, std::ostream* os) {
  *os << d.name;
}

class Recorder : public ::testing::TestWithParam<Drive> {};

TEST_P(Recorder, ControlChangesAreThoseTheWindowAlwaysMade) {
  const Drive& d = GetParam();
  Road r;
  auto& m = r.site.add_member("rec");
  r.site.add_album(m, "春 天", 2);
  r.site.add_album(m, "夏", 1);
  r.start();
  RecordingWindow w;
  w.save = r.save.string();
  set_current_window(&w);
  w.set_text(c::编辑框_保存位置, gbk_path(r.save));
  std::string address = d.address == "album" ? m.albums[1].url : d.address;
  w.set_text(c::编辑框_号码, G(address));
  classify_address();
  r.wait_list();
  if (d.batch) {
    w.set_row_checked(c::超级列表框1, 0, false);
    download_start();
    WorkerHandle worker = download_worker();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (worker && !worker->finished && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(worker && worker->finished) << "the batch did not end within 60 s";
  }
  set_current_window(&r.window);
  std::string got = w.text();
  if (std::getenv("ALBUMFETCH_RECORD")) std::ofstream(d.name + ".txt") << got;
  std::string want = expected(d.name + ".txt");
  ASSERT_FALSE(want.empty()) << "no recorded sequence for " << d.name;
  EXPECT_EQ(thread_lines(got, "main"), thread_lines(want, "main"));
  EXPECT_EQ(thread_lines(got, "worker"), thread_lines(want, "worker"));
}

INSTANTIATE_TEST_SUITE_P(Road, Recorder,
                         ::testing::Values(Drive{"listing", "rec.pp.163.com", false},
                                           Drive{"batch", "http://rec.pp.163.com/", true},
                                           Drive{"single_album", "album", false}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
