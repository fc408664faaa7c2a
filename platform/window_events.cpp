// The core's events as the form shows them: every caption, status text and control change
// of the window lives here, shared by the Qt window and the headless one.
#include <type_traits>

#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/window.h"

namespace af {
namespace {

namespace c = ctl;

Text status_text(const StatusEvent& e) {
  switch (e.status) {
    case Status::asking:
      return GBK("温馨提示：正在获取相册列表...");
    case Status::listing:
      return GBK("群相册获取中，耐心等待...");
    case Status::listed:
      return GBK("相册获取完毕，共计：") + to_text(e.count) + GBK("个。");
    case Status::single_album:
      return GBK("单个作品，直接下载");
    case Status::album:
      return GBK("网易摄影图片比较大，下载相对慢，耐心等待哈...");
  }
  return {};
}

Text notice_text(Notice n) {
  switch (n) {
    case Notice::empty_address:
      return GBK("您输入的内容为空");
    case Notice::bad_address:
      return GBK("你输入的格式不正确");
    case Notice::batch_done:
      return GBK("全部下载完毕");
  }
  return {};
}

Text percentage(int position, int maximum) {
  if (maximum <= 0) return "0%";
  return to_text(static_cast<int>(static_cast<long long>(position) * 100 / maximum)) + "%";
}

}  // namespace

Text notice_message(Notice n) {
  return notice_text(n);
}

void Window::apply(const Event& event) {
  std::visit(
      [this](const auto& e) {
        using E = std::decay_t<decltype(e)>;
        if constexpr (std::is_same_v<E, StatusEvent>) {
          do_set_text(c::标签_动态, status_text(e));
        } else if constexpr (std::is_same_v<E, LogEvent>) {
          do_append_log(c::编辑框_操作记录, e.text);
        } else if constexpr (std::is_same_v<E, ProgressEvent>) {
          if (e.percent == Percent::cleared) do_set_text(c::标签_进度条比例, "");
          if (e.maximum) do_set_progress(c::进度条1, true, *e.maximum);
          if (e.position) do_set_progress(c::进度条1, false, *e.position);
          if (e.percent == Percent::shown)
            do_set_text(c::标签_进度条比例,
                        percentage(do_progress(c::进度条1, false), do_progress(c::进度条1, true)));
        } else if constexpr (std::is_same_v<E, CounterEvent>) {
          switch (e.counter) {
            case Counter::pictures:
              do_set_text(c::标签_第多少张照片,
                          to_text(e.total) + "/" + to_text(do_progress(c::进度条1, false)));
              break;
            case Counter::pictures_ended:
              do_set_text(c::标签_第多少张照片, "");
              break;
            case Counter::batch_ended:
              do_set_text(c::标签_第多少张照片, GBK("下载完成"));
              break;
            case Counter::albums_queued:
              do_set_text(c::标签_选择了相册数量,
                          GBK("总共需下载[") + to_text(e.total) + GBK("]个相册"));
              break;
            case Counter::album_at_work:
              do_set_text(c::标签_正在下载相册,
                          GBK("下载到第[") + to_text(e.value) + GBK("]个相册"));
              break;
          }
        } else if constexpr (std::is_same_v<E, BusyEvent>) {
          do_set_visible(c::画板1, e.busy);
        } else if constexpr (std::is_same_v<E, ListClearedEvent>) {
          do_clear_rows(c::超级列表框1);
          // The columns the form keeps out of sight.
          for (int col : {c::col_相册ID, c::col_相册密码, c::col_数量, c::col_相册权限})
            do_set_column_width(c::超级列表框1, col, 0);
        } else if constexpr (std::is_same_v<E, RowsEvent>) {
          if (e.with_covers) {
            do_set_column_width(c::超级列表框1, c::col_相册名称, 350);
            do_set_column_width(c::超级列表框1, c::col_封面, 100);
          } else {
            do_set_column_width(c::超级列表框1, c::col_相册名称, 540);
            do_set_column_width(c::超级列表框1, c::col_封面, 0);
          }
          do_append_rows(c::超级列表框1, e.rows);
        } else if constexpr (std::is_same_v<E, CoversEvent>) {
          do_set_row_covers(c::超级列表框1, e.covers);
        } else if constexpr (std::is_same_v<E, ButtonsEvent>) {
          apply_download_buttons(e.state);
        } else if constexpr (std::is_same_v<E, NoticeEvent>) {
          do_message_box(notice_text(e.notice), 0, GBK("信息："));
          if (e.notice == Notice::empty_address) do_set_focus(c::编辑框_号码);
        }
      },
      event);
}

void Window::apply_download_buttons(DownloadButtonState state) {
  using S = DownloadButtonState;
  do_set_visible(c::按钮_下载选中, state == S::idle);
  do_set_visible(c::按钮_暂停线程, state == S::running);
  do_set_visible(c::按钮_继续下载, state == S::paused);
  // Hiding the focused button would hand the keyboard to the save location box, with its
  // text selected for the next key to replace; the visible button takes it instead.
  do_set_focus(state == S::idle      ? c::按钮_下载选中
               : state == S::running ? c::按钮_暂停线程
                                     : c::按钮_继续下载);
}

}  // namespace af
