#include "http/url.h"

namespace af {

Text url_host(std::string_view url, bool keep_port) {
  Text t = to_lower(url);
  if (t.empty() || t.back() != '/') t.push_back('/');
  Text host;
  if (left_text(t, 8) == "https://") {
    host = text_between(t, "https://", "/");
  } else {
    if (find_text(t, "http://") == -1) t = "http://" + t;
    host = text_between(t, "http://", "/");
  }
  if (keep_port) return host;
  int colon = find_text(host, ":");
  return colon == -1 ? host : left_text(host, colon - 1);
}

int url_port(std::string_view url) {
  Text h = url_host(url, true);
  int colon = find_text_last(h, ":");
  if (colon != -1) return to_integer(mid_text(h, colon + 1, text_len(h)));
  return to_lower(left_text(url, 5)) == "https" ? 443 : 80;
}

Text url_path(std::string_view url) {
  Text h = url_host(url, false);
  int a = find_text(url, h, 1, true);
  int b = find_text(url, "/", a, true);
  if (b <= 0) return "/";
  return mid_text(url, b, text_len(url));
}

}  // namespace af
