// A window without a screen: it keeps every control's state, so the command line can run
// the whole road and tests can look at captions, rows, the log and the buttons.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "platform/window.h"

namespace af {

class HeadlessWindow : public Window {
 public:
  struct Row {
    std::map<int, Text> cells;
    bool checked = false;
    int picture = -1;
  };
  struct Control {
    Text text;
    bool visible = true;
    bool checked = false;
    int maximum = 100, position = 0;
    std::vector<Row> rows;
    std::map<int, int> widths;
    std::shared_ptr<const PictureList> pictures;
  };

  HeadlessWindow();
  void run(const std::function<void()>& op) override;
  bool on_window_thread() const override { return false; }
  void report(const Event& e) override;

  // Called for every event, after the window has carried it out.
  std::function<void(const Event&)> on_event;
  // Called (under the window's lock) for every message box; its answer is the button.
  std::function<int(const Text& message, const Text& caption)> on_message;

  // A snapshot of one control, for tests and the command line.
  Control control(std::string_view name);
  std::vector<Text> messages();
  Text log();

 protected:
  Text do_text(std::string_view c) override;
  void do_set_text(std::string_view c, const Text& t) override;
  bool do_visible(std::string_view c) override;
  void do_set_visible(std::string_view c, bool v) override;
  bool do_checked(std::string_view c) override;
  void do_set_checked(std::string_view c, bool v) override;
  int do_progress(std::string_view b, bool maximum) override;
  void do_set_progress(std::string_view b, bool maximum, int value) override;
  int do_row_count(std::string_view l) override;
  int do_append_row(std::string_view l) override;
  void do_clear_rows(std::string_view l) override;
  Text do_cell(std::string_view l, int r, int c) override;
  void do_set_cell(std::string_view l, int r, int c, const Text& t) override;
  bool do_row_checked(std::string_view l, int r) override;
  void do_set_row_checked(std::string_view l, int r, bool v) override;
  void do_set_row_picture(std::string_view l, int r, int p) override;
  void do_set_column_width(std::string_view l, int c, int w) override;
  void do_set_row_covers(std::string_view l, const std::vector<RowCover>& covers) override;
  void do_append_log(std::string_view b, const Text& t) override;
  void do_set_focus(std::string_view c) override;
  int do_message_box(const Text& m, int buttons, const Text& caption) override;

 private:
  Control& at(std::string_view name);
  Row* row(std::string_view list, int r);
  std::recursive_mutex m_;
  std::map<std::string, Control, std::less<>> controls_;
  std::vector<Text> messages_;
  std::string focus_;
};

}  // namespace af
