#include "albums/classify.h"

#include "albums/album_list.h"
#include "albums/page_text.h"
#include "albums/state.h"
#include "http/fetch.h"
#include "platform/codepage.h"
#include "platform/delay.h"
#include "platform/events.h"
#include "platform/worker.h"

namespace af {

Text normalise_address(std::string_view input) {
  Text t = trim_spaces(input);
  int hash = find_text(t, "#");
  if (hash != -1) t = trim_spaces(left_text(t, hash - 1));
  // A scheme anywhere counts, so an address pasted with words in front of it
  // ("地址：http://...") keeps them and is classified as it stands.
  Text lower = to_lower(t);
  if (find_text(lower, "http://") == -1 && find_text(lower, "https://") == -1) t = "http://" + t;
  return t;
}

Text page_address(std::string_view entered) {
  Text lower = to_lower(entered);
  int at = find_text(lower, "http://");
  int secure = find_text(lower, "https://");
  if (at == -1 || (secure != -1 && secure < at)) at = secure;
  return at <= 1 ? Text(entered) : mid_text(entered, at, text_len(entered));
}

AddressKind kind_of_address(std::string_view entered) {
  const Text host(community_host);
  if (find_text(entered, "." + host) != -1) return AddressKind::member;
  if (find_text(entered, host + "/group/") != -1) return AddressKind::group;
  if (find_text(entered, host + "/") != -1 && find_text(entered, ".html") != -1)
    return AddressKind::album;
  return AddressKind::unrecognised;
}

Text album_page_title(std::string_view address) {
  // The title is read in the page's own encoding, its references decoded.
  Text headers;
  Bytes body = http_fetch(address, 0, {}, nullptr, nullptr, nullptr, &headers);
  Text page = page_to_text(headers, body);
  return decode_character_references(text_between(page, "<title>", "</title>"));
}

AddressKind classify_entered_address(const SingleAlbumDownload& download_single) {
  Face* face = current_face();
  if (!face) return AddressKind::empty;
  Text input = face->address_input();
  if (input.empty()) {
    tell(NoticeEvent{Notice::empty_address});
    return AddressKind::empty;
  }
  if (WorkerHandle previous = list_worker()) kill_worker(previous);

  Text entered = normalise_address(input);
  set_entered_address(entered);
  tell_status(Status::asking);
  tell_log(LogKind::progress, GBK("正努力获取相册列表，耐心等待哈！\r\n\r\n"));

  const Text host(community_host);
  AddressKind kind = kind_of_address(entered);
  if (kind == AddressKind::member) {
    set_album_owner(text_between(entered, "://", "." + host));
    set_list_worker(start_worker(load_album_list));
  } else if (kind == AddressKind::group) {
    Text id = text_between(entered, host + "/group/", "/");
    if (id.empty()) {
      int after = find_text(entered, host + "/group/") + text_len(host) + 7;
      id = mid_text(entered, after, text_len(entered));
    }
    set_album_owner(id);
  } else if (kind == AddressKind::album) {
    set_album_owner(text_between(entered, host + "/", "/pp"));
    Text page = page_address(entered);
    Text title = album_page_title(page);
    // A page that did not answer has no title: its number stands in for it.
    if (title.empty()) title = text_between(page, "/pp/", ".html");
    tell_status(Status::single_album);
    download_single(page, title);
  } else {
    tell(NoticeEvent{Notice::bad_address});
  }
  process_pending_messages();
  tell(BusyEvent{false});
  return kind;
}

}  // namespace af
