#include "app/headless_window.h"

#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/form_texts.h"

namespace af {

HeadlessWindow::HeadlessWindow() {
  for (const FormText& f : form_texts) {
    at(f.control).text = utf8_to_gbk(f.caption);
    at(f.control).visible = !f.hidden;
  }
  Control& list = at(ctl::超级列表框1);
  for (int i = 0; i < 8; ++i) list.widths[i] = column_widths[i];
}

void HeadlessWindow::report(const Event& e) {
  Window::report(e);
  if (on_event) on_event(e);
}

void HeadlessWindow::run(const std::function<void()>& op) {
  std::lock_guard lock(m_);
  op();
}

HeadlessWindow::Control& HeadlessWindow::at(std::string_view name) {
  auto it = controls_.find(name);
  if (it == controls_.end()) it = controls_.emplace(std::string(name), Control{}).first;
  return it->second;
}

HeadlessWindow::Row* HeadlessWindow::row(std::string_view list, int r) {
  Control& c = at(list);
  if (r < 0 || static_cast<size_t>(r) >= c.rows.size()) return nullptr;
  return &c.rows[static_cast<size_t>(r)];
}

HeadlessWindow::Control HeadlessWindow::control(std::string_view name) {
  std::lock_guard lock(m_);
  return at(name);
}

std::vector<Text> HeadlessWindow::messages() {
  std::lock_guard lock(m_);
  return messages_;
}

Text HeadlessWindow::log() {
  return control(ctl::编辑框_操作记录).text;
}

Text HeadlessWindow::do_text(std::string_view c) {
  return at(c).text;
}
void HeadlessWindow::do_set_text(std::string_view c, const Text& t) {
  at(c).text = t;
}
bool HeadlessWindow::do_visible(std::string_view c) {
  return at(c).visible;
}
void HeadlessWindow::do_set_visible(std::string_view c, bool v) {
  at(c).visible = v;
}
bool HeadlessWindow::do_checked(std::string_view c) {
  return at(c).checked;
}
void HeadlessWindow::do_set_checked(std::string_view c, bool v) {
  at(c).checked = v;
}

int HeadlessWindow::do_progress(std::string_view b, bool maximum) {
  Control& c = at(b);
  return maximum ? c.maximum : c.position;
}

void HeadlessWindow::do_set_progress(std::string_view b, bool maximum, int value) {
  // A bar keeps its position within 0 and its maximum.
  Control& c = at(b);
  if (maximum) {
    c.maximum = std::max(0, value);
    c.position = std::min(c.position, c.maximum);
  } else {
    c.position = std::clamp(value, 0, c.maximum);
  }
}

int HeadlessWindow::do_row_count(std::string_view l) {
  return static_cast<int>(at(l).rows.size());
}

int HeadlessWindow::do_append_row(std::string_view l) {
  Control& c = at(l);
  c.rows.emplace_back();
  return static_cast<int>(c.rows.size()) - 1;
}

void HeadlessWindow::do_clear_rows(std::string_view l) {
  at(l).rows.clear();
  at(l).pictures.reset();  // the rows' covers go with them
}

Text HeadlessWindow::do_cell(std::string_view l, int r, int c) {
  Row* p = row(l, r);
  if (!p) return {};
  auto it = p->cells.find(c);
  return it == p->cells.end() ? Text() : it->second;
}

void HeadlessWindow::do_set_cell(std::string_view l, int r, int c, const Text& t) {
  if (Row* p = row(l, r)) p->cells[c] = t;
}

bool HeadlessWindow::do_row_checked(std::string_view l, int r) {
  Row* p = row(l, r);
  return p && p->checked;
}

void HeadlessWindow::do_set_row_checked(std::string_view l, int r, bool v) {
  if (Row* p = row(l, r)) p->checked = v;
}

void HeadlessWindow::do_set_row_picture(std::string_view l, int r, int pic) {
  if (Row* p = row(l, r)) p->picture = pic;
}

void HeadlessWindow::do_set_column_width(std::string_view l, int c, int w) {
  at(l).widths[c] = w;
}

void HeadlessWindow::do_set_row_covers(std::string_view l, const std::vector<RowCover>& covers) {
  // Each cover joins the list's pictures in the order it arrived, and its row points at it.
  Control& c = at(l);
  auto grown =
      c.pictures ? std::make_shared<PictureList>(*c.pictures) : std::make_shared<PictureList>();
  for (const RowCover& rc : covers) {
    Row* r = row(l, rc.row);
    if (!r || !rc.picture) continue;
    grown->push_back(rc.picture);
    r->picture = static_cast<int>(grown->size()) - 1;
  }
  c.pictures = std::move(grown);
}

void HeadlessWindow::do_append_log(std::string_view b, const Text& t) {
  at(b).text += t;
}

void HeadlessWindow::do_set_focus(std::string_view c) {
  focus_ = std::string(c);
}

int HeadlessWindow::do_message_box(const Text& m, int, const Text& caption) {
  messages_.push_back(m);
  return on_message ? on_message(m, caption) : 0;
}

}  // namespace af
