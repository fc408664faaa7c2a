#include "http/fetch.h"
#include "http/headers.h"
#include "http/url.h"
#include "platform/codepage.h"

namespace af {
namespace {

constexpr size_t header_buffer = 5000;

}  // namespace

Bytes inet_fetch(std::string_view url, int method, std::string_view post_text, Text* cookies,
                 Text* new_cookies, Text* headers, Text* response_headers, bool no_redirect,
                 Bytes* post_bytes, std::string_view proxy) {
  Text local_new, local_headers, local_response;
  Bytes local_bytes;
  Text& nc = new_cookies ? *new_cookies : local_new;
  Text& hd = headers ? *headers : local_headers;
  Text& rh = response_headers ? *response_headers : local_response;
  Bytes& pb = post_bytes ? *post_bytes : local_bytes;

  const char* mtext = method == 1 ? "POST" : method == 2 ? "HEAD" : "GET";
  bool https = to_lower(left_text(url, 5)) == "https";

  Text agent;
  if (find_text(hd, "User-Agent:", {}, true) != -1) {
    agent = trim_spaces(text_between(hd, "User-Agent:", "\r\n"));
    if (agent.empty()) agent = header_value(hd);
  } else {
    agent = Text(default_user_agent);
  }

  TransferRequest rq;
  // The request goes to the host, port and path the address rules give.
  Text host = url_host(url, false);
  int port = url_port(url);
  Text path = url_path(url);
  bool default_port = port == (https ? 443 : 80);
  rq.url = gbk_to_utf8((https ? "https://" : "http://") + host +
                       (default_port ? Text() : ":" + to_text(port)) + path);
  rq.method = mtext;
  rq.user_agent = gbk_to_utf8(agent);
  rq.follow_redirects = !no_redirect;
  rq.timeout_ms = 60000;  // the platform's own defaults are of this order
  rq.cookie_store = cookies == nullptr;
  rq.verify_tls = true;  // the secure flag checks certificates
  if (!proxy.empty()) rq.proxy = gbk_to_utf8(proxy);

  complete_request_headers(hd, url, false);
  if (cookies && !cookies->empty()) hd += "\r\nCookie: " + *cookies;
  for (const Text& line : split_text(hd, std::string_view("\r\n"))) {
    if (line.empty() || find_text(line, ":") == -1) continue;
    Text name = header_name(line), value = header_value(line);
    if (name.empty()) continue;
    rq.header_lines.push_back(value.empty() ? name + ";" : line);
  }

  if (method == 1 || method == 2) {
    if (pb.empty()) pb = text_to_bytes(post_text);
    rq.body = std::string(pb.begin(), pb.end());
  }

  TransferResult res = perform_transfer(rq);
  set_last_fetch_report(
      {res.error, res.complete ? res.status : 0, res.retry_after_ms, rq.timeout_ms / 1000});
  if (res.got_response && res.headers.size() < header_buffer) {
    rh = normalise_set_cookie(res.headers);
    nc = exchange_cookies(res, rh);
  } else {
    // The raw header query fails when no answer came or the block outgrows its buffer.
    rh = spaces_text(static_cast<int>(header_buffer));
    nc.clear();
  }
  if (cookies) merge_cookies(*cookies, nc);
  return std::move(res.body);
}

}  // namespace af
