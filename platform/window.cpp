#include "platform/window.h"

#include <atomic>
#include <cstdio>
#include <type_traits>

#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/worker.h"

namespace af {
namespace {

std::atomic<Window*> installed{nullptr};

// Every operation funnels through here: a paused worker is held before it touches the
// window, and a cancelled one is turned away, both before and where the op runs.
template <typename R, typename F>
R invoke(Window& w, F&& f) {
  WorkerToken* token = current_token();
  if (token) {
    checkpoint();
    if (token->cancelled()) return R{};
  }
  R result{};
  w.run([&] {
    if (token && token->cancelled()) return;
    if constexpr (std::is_void_v<R>) {
      f();
    } else {
      result = f();
    }
  });
  return result;
}

struct Unit {};
template <typename F>
void invoke_void(Window& w, F&& f) {
  invoke<Unit>(w, [&] {
    f();
    return Unit{};
  });
}

}  // namespace

Text Window::text(std::string_view c) {
  return invoke<Text>(*this, [&] { return do_text(c); });
}
void Window::set_text(std::string_view c, const Text& t) {
  invoke_void(*this, [&] { do_set_text(c, t); });
}
bool Window::visible(std::string_view c) {
  return invoke<bool>(*this, [&] { return do_visible(c); });
}
bool Window::checked(std::string_view c) {
  return invoke<bool>(*this, [&] { return do_checked(c); });
}
void Window::set_checked(std::string_view c, bool v) {
  invoke_void(*this, [&] { do_set_checked(c, v); });
}
void Window::set_progress_maximum(std::string_view b, int v) {
  invoke_void(*this, [&] { do_set_progress(b, true, v); });
}
void Window::set_progress_position(std::string_view b, int v) {
  invoke_void(*this, [&] { do_set_progress(b, false, v); });
}
int Window::row_count(std::string_view l) {
  return invoke<int>(*this, [&] { return do_row_count(l); });
}
int Window::do_append_rows(std::string_view l, const std::vector<NewRow>& rows) {
  int first = -1;
  for (const NewRow& r : rows) {
    int row = do_append_row(l);
    if (row < 0) return first;
    if (first < 0) first = row;
    do_set_cell(l, row, ctl::col_序号, to_text(row + 1));
    do_set_cell(l, row, ctl::col_相册名称, r.title);
    if (r.picture >= 0) do_set_row_picture(l, row, r.picture);
    do_set_cell(l, row, ctl::col_相册ID, r.address);
    do_set_row_checked(l, row, r.checked);
  }
  return first;
}
bool Window::row_checked(std::string_view l, int r) {
  return invoke<bool>(*this, [&] { return do_row_checked(l, r); });
}
void Window::set_row_checked(std::string_view l, int r, bool v) {
  invoke_void(*this, [&] { do_set_row_checked(l, r, v); });
}
void Window::append_log(std::string_view b, const Text& t) {
  invoke_void(*this, [&] { do_append_log(b, t); });
}
int Window::message_box(const Text& m, int buttons, const Text& caption) {
  return invoke<int>(*this, [&] { return do_message_box(m, buttons, caption); });
}
void Window::report(const Event& e) {
  invoke_void(*this, [&] { apply(e); });
}
Text Window::address_input() {
  return text(ctl::编辑框_号码);
}
Text Window::save_location() {
  return text(ctl::编辑框_保存位置);
}
bool Window::skip_done() {
  return checked(ctl::选择框_跳过已下载);
}
bool Window::covers_wanted() {
  return checked(ctl::选择框_有封面);
}
std::vector<TickedAlbum> Window::ticked_albums() {
  return invoke<std::vector<TickedAlbum>>(*this, [&] {
    std::vector<TickedAlbum> out;
    int rows = do_row_count(ctl::超级列表框1);
    for (int r = 0; r < rows; ++r) {
      if (!do_row_checked(ctl::超级列表框1, r)) continue;
      out.push_back({do_cell(ctl::超级列表框1, r, ctl::col_序号),
                     do_cell(ctl::超级列表框1, r, ctl::col_相册名称),
                     do_cell(ctl::超级列表框1, r, ctl::col_相册ID)});
    }
    return out;
  });
}
void Window::process_pending() {
  if (on_window_thread()) do_process_pending();
}

Window* current_window() {
  return installed.load(std::memory_order_acquire);
}
void set_current_window(Window* window) {
  installed.store(window, std::memory_order_release);
  set_current_face(window);
}

int message_box(const Text& message, int buttons, const Text& caption) {
  const Text& cap = caption.empty() ? GBK("信息：") : caption;
  if (Window* w = current_window()) return w->message_box(message, buttons, cap);
  std::fprintf(stderr, "%s %s\n", gbk_to_utf8(cap).c_str(), gbk_to_utf8(message).c_str());
  return 0;
}

}  // namespace af
