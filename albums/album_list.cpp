#include "albums/album_list.h"

#include <chrono>

#include "albums/listing_covers.h"
#include "albums/page_text.h"
#include "albums/state.h"
#include "albums/tally.h"
#include "http/failure.h"
#include "http/fetch.h"
#include "http/headers.h"
#include "platform/codepage.h"
#include "platform/delay.h"
#include "platform/events.h"
#include "platform/regex_object.h"
#include "platform/worker.h"

namespace af {

void load_album_list() {
  Face* face = current_face();
  if (!face) return;
  RegexObject re;
  tell(BusyEvent{true});
  tell_status(Status::listing);
  tell(ListClearedEvent{});

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
  FetchReport home = last_fetch_report();
  bool answered = home.error == TransferError::none && home.status >= 200 && home.status < 300;
  if (body.empty() || !answered) {
    note_failures(1);
    add_to_tally({.pages_unreachable = unreachable(home), .pages_failed = !unreachable(home)});
    Text cause = answered ? GBK("页面为空") : describe_failure(home);
    tell_log(LogKind::failure,
             GBK("主页获取失败：") + url + GBK("（") + cause + GBK("）") + "\r\n");
  } else if (!searched) {
    note_failures(1);
    add_to_tally({.pages_failed = 1});
    tell_log(LogKind::failure, GBK("主页无法解析：") + url + "\r\n");
  }
  int n = re.match_count();
  tell(ProgressEvent{std::nullopt, 0});

  // Rows, their log lines and the progress reach the face in batches, one trip each at
  // least every 50 ms, so a listing of thousands of albums does not wait on the window.
  std::vector<NewRow> pending;
  std::vector<Text> pending_covers;  // each pending row's cover address; empty: none
  ListingCovers covers;
  Text pending_log;
  int done = 0;
  bool with_covers = false;
  auto last_flush = std::chrono::steady_clock::now();
  auto flush = [&] {
    last_flush = std::chrono::steady_clock::now();
    if (pending.empty()) return true;
    tell_log(LogKind::progress, pending_log);
    int first = done;  // rows are numbered by their place in a list this run cleared
    done += static_cast<int>(pending.size());
    tell(ProgressEvent{n, done, Percent::shown});
    tell(RowsEvent{std::move(pending), with_covers});
    // A cover is asked for once its row stands, and goes into that row when it comes.
    for (size_t k = 0; k < pending_covers.size() && !current_cancelled(); ++k)
      if (!pending_covers[k].empty()) covers.add(first + static_cast<int>(k), pending_covers[k]);
    covers.deliver_arrived();
    pending.clear();
    pending_covers.clear();
    pending_log.clear();
    process_pending_messages();
    return !current_cancelled();
  };

  for (int i = 1; i <= n; ++i) {
    if (current_cancelled()) return;
    Text link = re.submatch_text(i, 3);
    Text name = decode_character_references(re.submatch_text(i, 5));
    Text picture = re.submatch_text(i, 1);
    Text cover = "http://" + Text(thumbnail_host) + "/?imgurl=" + picture + "_100x100x1x95.jpg";
    pending_log += GBK("获取相册：") + name;
    if (pending.empty()) with_covers = face->covers_wanted();
    pending.push_back(NewRow{name, link, true, -1});
    pending_covers.push_back(with_covers ? cover : Text());
    if (std::chrono::steady_clock::now() - last_flush >= std::chrono::milliseconds(50) && !flush())
      return;
  }
  if (current_cancelled() || !flush()) return;

  tell(BusyEvent{false});
  add_to_tally({.albums_listed = done});
  tell_status(Status::listed, done);
  tell_log(LogKind::progress, GBK("-----获取完毕,共计") + to_text(done) + GBK("个\r\n\r\n"));
  // The list is complete; the covers still on their way go into it as they come.
  covers.deliver_remaining();
}

}  // namespace af
