// The main window on Qt Widgets. Workers' control changes are carried out on the window
// thread while the worker waits; a worker that is stopped stops waiting at once.
#pragma once

#include <QElapsedTimer>
#include <QIcon>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <string>

#include "platform/window.h"

class QTreeWidget;
class QLabel;
class QPlainTextEdit;
class QProgressBar;

namespace af {

class QtWindow : public QWidget, public Window {
 public:
  QtWindow();
  ~QtWindow() override;

  void run(const std::function<void()>& op) override;
  bool on_window_thread() const override;

  // Finds a control by its object name; null when there is none.
  QWidget* control(std::string_view name) const;
  // Tests answer message boxes through this instead of a person.
  static inline std::function<int(const QString& message, const QString& caption)> message_hook;

 protected:
  void closeEvent(class QCloseEvent* event) override;

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
  int do_append_rows(std::string_view l, const std::vector<NewRow>& rows) override;
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
  void do_process_pending() override;

 private:
  void build_form();
  void flush_log();
  void connect_handlers();
  void fit_labels();
  // Whether `button` was shown less than a double-click interval ago.
  bool just_shown(std::string_view button) const;
  QTreeWidget* list(std::string_view name) const;
  std::map<std::string, QElapsedTimer, std::less<>> shown_at_;
  std::map<std::string, QWidget*, std::less<>> controls_;
  int progress_max_ = 100, progress_pos_ = 0;
  // Whether the operation being carried out was asked for by a worker thread.
  bool op_from_worker_ = false;
  std::map<QPlainTextEdit*, QString> pending_log_;
  QTimer log_flush_;
};

// The program's one icon: the installed theme's, else the same picture built in.
QIcon program_icon();

// The size a label's text takes in face `f`: plain text by its font metrics, rich text as
// its document lays it out.
QSize label_text_size(const QLabel& label, const QFont& f);

QString to_q(const Text& gbk);
Text from_q(const QString& s);

}  // namespace af
