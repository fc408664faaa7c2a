// The window's operations, addressed by the controls' object names. The core talks to the
// window only through this interface; the Qt window and the headless window implement it.
#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/events.h"
#include "text/text.h"

namespace af {

// A window is a face: it carries out the core's events as control changes (with the
// form's own texts) and answers the core's questions from its controls.
class Window : public Face {
 public:
  void report(const Event& event) override;
  Text address_input() override;
  Text save_location() override;
  bool skip_done() override;
  bool covers_wanted() override;
  std::vector<TickedAlbum> ticked_albums() override;

  Text text(std::string_view control);  // edit box content or label caption
  void set_text(std::string_view control, const Text& text);
  bool visible(std::string_view control);
  bool checked(std::string_view control);
  void set_checked(std::string_view control, bool checked);
  void set_progress_maximum(std::string_view bar, int maximum);
  void set_progress_position(std::string_view bar, int position);
  int row_count(std::string_view list);
  bool row_checked(std::string_view list, int row);
  void set_row_checked(std::string_view list, int row, bool checked);
  // Puts the caret at the end, scrolls there and inserts `text`; nothing is added to it.
  void append_log(std::string_view box, const Text& text);
  int message_box(const Text& message, int buttons, const Text& caption);
  // Handles what is queued for the window thread; does nothing on other threads.
  void process_pending();

  // Runs `op` where the window's state lives, waiting for it. Operations of a cancelled
  // worker are dropped there, so a worker that has been stopped changes nothing after.
  virtual void run(const std::function<void()>& op) = 0;
  virtual bool on_window_thread() const = 0;

 protected:
  // Carries out one event on the window's thread.
  void apply(const Event& event);
  // The one place the download buttons' arrangement is made.
  void apply_download_buttons(DownloadButtonState state);
  virtual Text do_text(std::string_view control) = 0;
  virtual void do_set_text(std::string_view control, const Text& text) = 0;
  virtual bool do_visible(std::string_view control) = 0;
  virtual void do_set_visible(std::string_view control, bool visible) = 0;
  virtual bool do_checked(std::string_view control) = 0;
  virtual void do_set_checked(std::string_view control, bool checked) = 0;
  virtual int do_progress(std::string_view bar, bool maximum) = 0;
  virtual void do_set_progress(std::string_view bar, bool maximum, int value) = 0;
  virtual int do_row_count(std::string_view list) = 0;
  virtual int do_append_row(std::string_view list) = 0;
  virtual void do_clear_rows(std::string_view list) = 0;
  virtual Text do_cell(std::string_view list, int row, int column) = 0;
  virtual void do_set_cell(std::string_view list, int row, int column, const Text& text) = 0;
  virtual bool do_row_checked(std::string_view list, int row) = 0;
  virtual void do_set_row_checked(std::string_view list, int row, bool checked) = 0;
  virtual void do_set_row_picture(std::string_view list, int row, int picture) = 0;
  virtual void do_set_column_width(std::string_view list, int column, int width) = 0;
  // Puts covers into their rows; rows that are gone are passed over.
  virtual void do_set_row_covers(std::string_view list, const std::vector<RowCover>& covers) = 0;
  virtual void do_append_log(std::string_view box, const Text& text) = 0;
  virtual void do_set_focus(std::string_view control) = 0;
  virtual int do_message_box(const Text& message, int buttons, const Text& caption) = 0;
  virtual void do_process_pending() {}
  // Built from the single-row operations; a window may do it faster.
  virtual int do_append_rows(std::string_view list, const std::vector<NewRow>& rows);
};

// The window of this process; null until one is installed. Installing it makes it the
// process's face too.
Window* current_window();
void set_current_window(Window* window);

// A notice's words, as its message box shows them.
Text notice_message(Notice notice);

// Message box with the default caption "信息：" when `caption` is empty.
int message_box(const Text& message, int buttons = 0, const Text& caption = {});

}  // namespace af
