#include "app/qt/qt_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTextDocument>
#include <QThread>
#include <QTreeWidget>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "app/qt/accessibility.h"
#include "app/qt/keyboard.h"
#include "app/qt/message_box.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/worker.h"

namespace af {

QString to_q(const Text& gbk) {
  return QString::fromStdString(gbk_to_utf8(gbk));
}
Text from_q(const QString& s) {
  return utf8_to_gbk(std::string_view(s.toStdString()));
}

QSize label_text_size(const QLabel& l, const QFont& f) {
  if (l.textFormat() == Qt::RichText) {
    QTextDocument doc;
    doc.setDefaultFont(f);
    doc.setDocumentMargin(0);
    doc.setHtml(l.text());
    return doc.size().toSize();
  }
  int flags = static_cast<int>(l.alignment()) | (l.wordWrap() ? Qt::TextWordWrap : 0);
  return QFontMetrics(f).boundingRect(l.contentsRect(), flags, l.text()).size();
}

QIcon program_icon() {
  return QIcon::fromTheme(QStringLiteral("albumfetch"),
                          QIcon(QStringLiteral(":/icons/albumfetch.svg")));
}

namespace {

struct Pending {
  std::mutex m;
  std::condition_variable cv;
  bool running = false, done = false, abandoned = false;
};

std::atomic<bool> window_closing{false};

QString log_text(const Text& gbk) {
  QString s = to_q(gbk);
  s.remove(QChar('\r'));
  return s;
}

}  // namespace

QtWindow::QtWindow() {
  install_accessible_interfaces();
  window_closing = false;
  restart_main_thread_work();
  log_flush_.setSingleShot(true);
  log_flush_.setInterval(100);
  QObject::connect(&log_flush_, &QTimer::timeout, this, [this] { flush_log(); });
  build_form();
  fit_labels();
  connect_handlers();
  connect_keyboard(*this);
  make_accessible(*this);
}

QtWindow::~QtWindow() = default;

bool QtWindow::on_window_thread() const {
  return QThread::currentThread() == thread();
}

void QtWindow::run(const std::function<void()>& op) {
  if (on_window_thread()) {
    bool outer = op_from_worker_;
    op_from_worker_ = false;
    op();
    op_from_worker_ = outer;
    return;
  }
  if (window_closing) return;
  auto p = std::make_shared<Pending>();
  const std::function<void()>* opp = &op;
  QMetaObject::invokeMethod(
      this,
      [this, p, opp] {
        {
          std::lock_guard lock(p->m);
          if (p->abandoned) return;
          p->running = true;
        }
        bool outer = op_from_worker_;
        op_from_worker_ = true;
        (*opp)();
        op_from_worker_ = outer;
        {
          std::lock_guard lock(p->m);
          p->done = true;
        }
        p->cv.notify_all();
      },
      Qt::QueuedConnection);
  WorkerToken* token = current_token();
  std::unique_lock lock(p->m);
  while (!p->done) {
    p->cv.wait_for(lock, std::chrono::milliseconds(20));
    // A stopped worker, or one whose window is going away, stops waiting at once; the
    // queued operation then does nothing.
    if (!p->running && !p->done && (window_closing || (token && token->cancelled()))) {
      p->abandoned = true;
      return;
    }
  }
}

void QtWindow::closeEvent(QCloseEvent* event) {
  window_closing = true;
  stop_main_thread_work();  // a single-album download inside a click handler ends too
  // A worker waiting for its message box waits no longer.
  for (QMessageBox* box : findChildren<QMessageBox*>()) box->reject();
  QWidget::closeEvent(event);
}

QWidget* QtWindow::control(std::string_view name) const {
  auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : it->second;
}

QTreeWidget* QtWindow::list(std::string_view name) const {
  return qobject_cast<QTreeWidget*>(control(name));
}

Text QtWindow::do_text(std::string_view c) {
  QWidget* w = control(c);
  if (auto* e = qobject_cast<QLineEdit*>(w)) return from_q(e->text());
  if (auto* l = qobject_cast<QLabel*>(w)) return from_q(l->text());
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return from_q(b->text());
  if (auto* g = qobject_cast<QGroupBox*>(w)) return from_q(g->title());
  if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
    flush_log();
    return from_q(p->toPlainText());
  }
  return {};
}

void QtWindow::do_set_text(std::string_view c, const Text& t) {
  QWidget* w = control(c);
  QString s = to_q(t);
  if (auto* e = qobject_cast<QLineEdit*>(w)) {
    e->setText(s);
  } else if (auto* l = qobject_cast<QLabel*>(w)) {
    l->setText(s);
  } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    b->setText(s);
  } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
    g->setTitle(s);
  } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
    pending_log_.erase(p);
    p->setPlainText(log_text(t));
  }
}

bool QtWindow::do_visible(std::string_view c) {
  QWidget* w = control(c);
  return w && !w->isHidden();
}

void QtWindow::do_set_visible(std::string_view c, bool v) {
  QWidget* w = control(c);
  if (!w) return;
  if (v && w->isHidden()) shown_at_[std::string(c)].start();
  w->setVisible(v);
}

bool QtWindow::just_shown(std::string_view button) const {
  auto it = shown_at_.find(button);
  return it != shown_at_.end() && it->second.isValid() &&
         it->second.elapsed() < QApplication::doubleClickInterval();
}

bool QtWindow::do_checked(std::string_view c) {
  auto* b = qobject_cast<QAbstractButton*>(control(c));
  return b && b->isChecked();
}

void QtWindow::do_set_checked(std::string_view c, bool v) {
  if (auto* b = qobject_cast<QAbstractButton*>(control(c))) b->setChecked(v);
}

int QtWindow::do_progress(std::string_view, bool maximum) {
  return maximum ? progress_max_ : progress_pos_;
}

void QtWindow::do_set_progress(std::string_view b, bool maximum, int value) {
  auto* bar = qobject_cast<QProgressBar*>(control(b));
  if (maximum) {
    progress_max_ = std::max(0, value);
    progress_pos_ = std::min(progress_pos_, progress_max_);
  } else {
    progress_pos_ = std::clamp(value, 0, progress_max_);
  }
  if (!bar) return;
  // A range of 0 to 0 would make the bar busy; an empty album shows an empty bar instead.
  bar->setRange(0, std::max(1, progress_max_));
  bar->setValue(progress_pos_);
}

int QtWindow::do_row_count(std::string_view l) {
  QTreeWidget* t = list(l);
  return t ? t->topLevelItemCount() : 0;
}

int QtWindow::do_append_row(std::string_view l) {
  QTreeWidget* t = list(l);
  if (!t) return -1;
  auto* item = new QTreeWidgetItem(t);
  item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
  item->setCheckState(0, Qt::Unchecked);
  return t->topLevelItemCount() - 1;
}

int QtWindow::do_append_rows(std::string_view l, const std::vector<NewRow>& rows) {
  QTreeWidget* t = list(l);
  if (!t) return -1;
  int first = t->topLevelItemCount();
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(rows.size()));
  for (size_t i = 0; i < rows.size(); ++i) {
    const NewRow& r = rows[i];
    auto* item = new QTreeWidgetItem;
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, r.checked ? Qt::Checked : Qt::Unchecked);
    item->setText(ctl::col_序号, QString::number(first + static_cast<int>(i) + 1));
    item->setText(ctl::col_相册名称, to_q(r.title));
    item->setText(ctl::col_相册ID, to_q(r.address));
    items.append(item);
  }
  t->addTopLevelItems(items);  // one layout pass for the whole batch
  return first;
}

void QtWindow::do_clear_rows(std::string_view l) {
  if (QTreeWidget* t = list(l)) t->clear();
}

Text QtWindow::do_cell(std::string_view l, int r, int c) {
  QTreeWidget* t = list(l);
  QTreeWidgetItem* item = t ? t->topLevelItem(r) : nullptr;
  return item ? from_q(item->text(c)) : Text();
}

void QtWindow::do_set_cell(std::string_view l, int r, int c, const Text& text) {
  QTreeWidget* t = list(l);
  if (QTreeWidgetItem* item = t ? t->topLevelItem(r) : nullptr) item->setText(c, to_q(text));
}

bool QtWindow::do_row_checked(std::string_view l, int r) {
  QTreeWidget* t = list(l);
  QTreeWidgetItem* item = t ? t->topLevelItem(r) : nullptr;
  return item && item->checkState(0) == Qt::Checked;
}

void QtWindow::do_set_row_checked(std::string_view l, int r, bool v) {
  QTreeWidget* t = list(l);
  if (QTreeWidgetItem* item = t ? t->topLevelItem(r) : nullptr)
    item->setCheckState(0, v ? Qt::Checked : Qt::Unchecked);
}

void QtWindow::do_set_row_picture(std::string_view l, int r, int p) {
  QTreeWidget* t = list(l);
  QTreeWidgetItem* item = t ? t->topLevelItem(r) : nullptr;
  // Covers reach their rows as pictures (do_set_row_covers); an index names none here.
  if (item && p < 0) item->setIcon(ctl::col_封面, QIcon());
}

void QtWindow::do_set_column_width(std::string_view l, int c, int w) {
  QTreeWidget* t = list(l);
  if (!t) return;
  // A column of width 0 is hidden, so the user can never drag it open. The listing sets
  // the widths for every album; only a change is passed on, since each one lays out
  // every row again.
  if (t->isColumnHidden(c) != (w <= 0)) t->setColumnHidden(c, w <= 0);
  if (w > 0 && t->columnWidth(c) != w) t->setColumnWidth(c, w);
}

void QtWindow::do_set_row_covers(std::string_view l, const std::vector<RowCover>& covers) {
  QTreeWidget* t = list(l);
  if (!t) return;
  t->setIconSize(QSize(100, 100));
  {
    // Told of each icon, the view would look for its row among thousands; it paints
    // what is visible once, after the whole batch, instead.
    QSignalBlocker quiet(t->model());
    for (const RowCover& rc : covers) {
      QTreeWidgetItem* item = t->topLevelItem(rc.row);
      if (!item || !rc.picture) continue;
      const Picture& pic = *rc.picture;
      QImage img(reinterpret_cast<const uchar*>(pic.argb.data()), pic.width, pic.height,
                 pic.width * 4, QImage::Format_ARGB32);
      // The row's icon holds the one copy from here on; the decoded picture goes with
      // the event.
      item->setIcon(ctl::col_封面, QIcon(QPixmap::fromImage(img.copy())));
    }
  }
  t->viewport()->update();
}

void QtWindow::do_append_log(std::string_view b, const Text& t) {
  auto* box = qobject_cast<QPlainTextEdit*>(control(b));
  if (!box) return;
  // Appends are gathered and laid out together a moment later: the listing writes one
  // ever longer line, and laying it out again for every album would freeze the window.
  pending_log_[box] += log_text(t);
  if (!log_flush_.isActive()) log_flush_.start();
}

void QtWindow::flush_log() {
  for (auto& [box, text] : pending_log_) {
    QTextCursor cursor = box->textCursor();
    cursor.movePosition(QTextCursor::End);
    box->setTextCursor(cursor);
    box->insertPlainText(text);
    box->ensureCursorVisible();
    box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
  }
  pending_log_.clear();
}

void QtWindow::do_set_focus(std::string_view c) {
  if (QWidget* w = control(c)) w->setFocus();
}

int QtWindow::do_message_box(const Text& m, int buttons, const Text& caption) {
  QString text = to_q(m), cap = to_q(caption);
  if (message_hook) return message_hook(text, cap);
  return show_message_box(this, text, cap, buttons, op_from_worker_);
}

void QtWindow::do_process_pending() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace af
