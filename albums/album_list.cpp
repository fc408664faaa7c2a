#include "albums/album_list.h"

#include <chrono>

#include "albums/page_text.h"
#include "albums/regex_object.h"
#include "albums/state.h"
#include "http/fetch.h"
#include "http/headers.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/delay.h"
#include "platform/picture.h"
#include "platform/window.h"
#include "platform/worker.h"

namespace af {

void load_album_list() {
  Window* w = current_window();
  if (!w) return;
  namespace c = ctl;
  RegexObject re;
  w->set_visible(c::画板1, true);
  w->set_text(c::标签_动态, GBK("群相册获取中，耐心等待..."));
  w->clear_rows(c::超级列表框1);
  auto cover_list = std::make_shared<PictureList>();
  for (int col : {5, 7, 4, 6}) w->set_column_width(c::超级列表框1, col, 0);

  // The home page over the scheme the address was typed with.
  Text scheme = left_text(to_lower(entered_address()), 8) == "https://" ? "https://" : "http://";
  Text url = scheme + album_owner() + "." + Text(community_host) + "/";
  Text headers =
      "User-Agent: Mozilla/5.0 (Windows NT 5.1) AppleWebKit/537.36 (KHTML, like Gecko) "
      "Chrome/31.0.1650.64 Safari/537.36\r\n";
  Text response_headers;
  Bytes body = inet_fetch(url, 0, {}, nullptr, nullptr, &headers, &response_headers);
  pump_delay(1000);
  if (current_cancelled()) return;
  // A UTF-8 page is converted, so titles reach the list as program text.
  Text page = page_to_text(response_headers, body);
  bool searched = re.search(album_pattern, page);
  if (body.empty()) {
    note_failures(1);
    w->append_log(c::编辑框_操作记录, GBK("主页获取失败：") + url + "\r\n");
  } else if (!searched) {
    note_failures(1);
    w->append_log(c::编辑框_操作记录, GBK("主页无法解析：") + url + "\r\n");
  }
  int n = re.match_count();
  w->set_progress_position(c::进度条1, 0);

  // Rows, their log lines and the progress reach the window in batches, one trip each at
  // least every 50 ms, so a listing of thousands of albums does not wait on the window.
  std::vector<NewRow> pending;
  Text pending_log;
  int done = 0;
  bool with_covers = false;
  auto last_flush = std::chrono::steady_clock::now();
  auto flush = [&] {
    last_flush = std::chrono::steady_clock::now();
    if (pending.empty()) return true;
    w->append_log(c::编辑框_操作记录, pending_log);
    w->set_progress_maximum(c::进度条1, n);
    done += static_cast<int>(pending.size());
    w->set_progress_position(c::进度条1, done);
    int pos = w->progress_position(c::进度条1), max = w->progress_maximum(c::进度条1);
    w->set_text(
        c::标签_进度条比例,
        to_text(max > 0 ? static_cast<int>(static_cast<long long>(pos) * 100 / max) : 0) + "%");
    if (with_covers) {
      w->set_column_width(c::超级列表框1, c::col_相册名称, 350);
      w->set_column_width(c::超级列表框1, c::col_封面, 100);
      w->set_picture_list(c::超级列表框1, std::make_shared<const PictureList>(*cover_list));
    } else {
      w->set_column_width(c::超级列表框1, c::col_相册名称, 540);
      w->set_column_width(c::超级列表框1, c::col_封面, 0);
    }
    bool added = w->append_rows(c::超级列表框1, pending) >= 0;
    pending.clear();
    pending_log.clear();
    process_pending_messages();
    return added;
  };

  for (int i = 1; i <= n; ++i) {
    if (current_cancelled()) return;
    Text link = re.submatch_text(i, 3);
    Text name = decode_character_references(re.submatch_text(i, 5));
    Text picture = re.submatch_text(i, 1);
    Text cover = "http://" + Text(thumbnail_host) + "/?imgurl=" + picture + "_100x100x1x95.jpg";
    pending_log += GBK("获取相册：") + name;
    if (pending.empty()) with_covers = w->checked(c::选择框_有封面);
    NewRow row{name, link, true, -1};
    if (with_covers) {
      Bytes bytes = read_url(cover);
      auto pic = std::make_shared<Picture>();
      if (decode_picture(bytes, 100, 100, *pic)) {
        cover_list->push_back(pic);
        row.picture = static_cast<int>(cover_list->size()) - 1;
      }
    }
    pending.push_back(std::move(row));
    if (std::chrono::steady_clock::now() - last_flush >= std::chrono::milliseconds(50) && !flush())
      return;
  }
  if (current_cancelled() || !flush()) return;

  w->set_visible(c::画板1, false);
  int rows = w->row_count(c::超级列表框1);
  w->set_text(c::标签_动态, GBK("相册获取完毕，共计：") + to_text(rows) + GBK("个。"));
  w->append_log(c::编辑框_操作记录, GBK("-----获取完毕,共计") + to_text(rows) + GBK("个\r\n\r\n"));
}

}  // namespace af
