#include "download/batch.h"

#include "download/album.h"
#include "download/names.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/delay.h"
#include "platform/window.h"
#include "platform/worker.h"

namespace af {

BatchOutcome download_selected() {
  BatchOutcome outcome;
  Window* w = current_window();
  if (!w) return outcome;
  namespace c = ctl;
  const std::string_view separator = "--@@--";

  Text selected_numbers;
  TextList album_queue;
  int rows = w->row_count(c::超级列表框1);
  for (int r = 0; r < rows; ++r) {
    if (current_cancelled()) return outcome;
    if (!w->row_checked(c::超级列表框1, r)) continue;
    selected_numbers += w->cell(c::超级列表框1, r, c::col_序号) + GBK("、");
    Text address = w->cell(c::超级列表框1, r, c::col_相册ID);
    Text title = trim_spaces(w->cell(c::超级列表框1, r, c::col_相册名称));
    if (!address.empty()) album_queue.push_back(address + Text(separator) + title);
    process_pending_messages();
  }
  w->append_log(c::编辑框_操作记录,
                selected_numbers.empty()
                    ? GBK("当前未选择任何相册") + "\r\n\r\n"
                    : GBK("当前被选择相册编号:") + selected_numbers + "\r\n\r\n");
  int count = static_cast<int>(album_queue.size());
  outcome.albums = count;
  w->set_text(c::标签_选择了相册数量, GBK("总共需下载[") + to_text(count) + GBK("]个相册"));

  std::set<Text> taken_folders;
  Text missing;  // every failure of the batch, for the closing account
  AlbumOptions options;
  options.taken_folders = &taken_folders;
  for (int j = 1; j <= count; ++j) {
    if (current_cancelled()) return outcome;
    w->set_text(c::标签_正在下载相册, GBK("下载到第[") + to_text(j) + GBK("]个相册"));
    TextList parts = split_text(album_queue[static_cast<size_t>(j) - 1], separator, 2);
    Text address = parts.empty() ? Text() : parts[0];
    // A row whose title is empty gets the queue number alone as its title.
    Text title = parts.size() > 1 ? parts[1] : Text();
    Text numbered = numbered_title(title, j);
    AlbumOutcome a = download_album(address, numbered, options);
    outcome.saved += a.saved;
    outcome.skipped += a.skipped;
    outcome.failed_pictures += a.failed;
    outcome.failed_albums += a.page_failed ? 1 : 0;
    if (a.page_failed) missing += GBK("  《") + numbered + GBK("》") + a.page_cause + "\r\n";
    for (const PictureFailure& f : a.failures)
      missing +=
          GBK("  《") + numbered + GBK("》") + f.address + GBK("（") + f.cause + GBK("）\r\n");
  }
  if (current_cancelled()) return outcome;

  w->set_visible(c::按钮_下载选中, true);
  w->set_visible(c::按钮_暂停线程, false);
  w->set_visible(c::按钮_继续下载, false);
  w->set_focus(c::按钮_下载选中);
  w->append_log(c::编辑框_操作记录,
                account_line(GBK("本批") + to_text(count) + GBK("个相册："), outcome.saved,
                             outcome.skipped, outcome.failed_pictures));
  if (!missing.empty()) {
    w->append_log(c::编辑框_操作记录, GBK("缺少的图片与原因：\r\n") + missing);
  }
  w->append_log(c::编辑框_操作记录, GBK("-------全部下载完毕--------\r\n\r\n"));
  w->set_text(c::标签_第多少张照片, GBK("下载完成"));
  message_box(GBK("全部下载完毕"));
  return outcome;
}

}  // namespace af
