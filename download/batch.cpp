#include "download/batch.h"

#include "download/album.h"
#include "download/names.h"
#include "platform/codepage.h"
#include "platform/delay.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/program.h"
#include "platform/worker.h"

namespace af {

BatchOutcome download_selected() {
  BatchOutcome outcome;
  Face* face = current_face();
  if (!face) return outcome;
  const std::string_view separator = "--@@--";

  // The ticked rows are read once into the queue.
  Text selected_numbers;
  TextList album_queue;
  for (const TickedAlbum& row : face->ticked_albums()) {
    if (current_cancelled()) return outcome;
    selected_numbers += row.number + GBK("、");
    Text title = trim_spaces(row.title);
    if (!row.address.empty()) album_queue.push_back(row.address + Text(separator) + title);
  }
  process_pending_messages();
  tell_log(LogKind::progress, selected_numbers.empty()
                                  ? GBK("当前未选择任何相册") + "\r\n\r\n"
                                  : GBK("当前被选择相册编号:") + selected_numbers + "\r\n\r\n");
  // A save location that cannot take a file ends the batch before any request.
  Text base = resolve_save_location(face->save_location());
  if (Text cause = prepare_folder(base, true); !cause.empty() && !album_queue.empty()) {
    tell_log(LogKind::failure, GBK("无法写入保存位置：") + gbk_path(native_path(base)) + GBK("（") +
                                   cause + GBK("），什么也没有下载\r\n"));
    album_queue.clear();
  }
  int count = static_cast<int>(album_queue.size());
  outcome.albums = count;
  tell(CounterEvent{Counter::albums_queued, 0, count});

  std::set<Text> taken_folders;
  Text missing;  // every failure of the batch, for the closing account
  AlbumOptions options;
  options.taken_folders = &taken_folders;
  for (int j = 1; j <= count; ++j) {
    if (current_cancelled()) return outcome;
    tell(CounterEvent{Counter::album_at_work, j, count});
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

  tell(ButtonsEvent{DownloadButtonState::idle});
  tell_log(LogKind::account, account_line(GBK("本批") + to_text(count) + GBK("个相册："),
                                          outcome.saved, outcome.skipped, outcome.failed_pictures));
  if (!missing.empty()) tell_log(LogKind::account, GBK("缺少的图片与原因：\r\n") + missing);
  tell_log(LogKind::progress, GBK("-------全部下载完毕--------\r\n\r\n"));
  tell(CounterEvent{Counter::batch_ended});
  tell(NoticeEvent{Notice::batch_done});
  return outcome;
}

}  // namespace af
