#include "http/fetch.h"
#include "http/headers.h"
#include "platform/codepage.h"

namespace af {
namespace {

thread_local FetchReport last_report;

const char* method_text(int method) {
  switch (method) {
    case 1:
      return "POST";
    case 2:
      return "HEAD";
    default:
      return "GET";
  }
}

// A header line for libcurl from a name and value; an empty value needs curl's ";" form,
// since "Name:" alone would remove the header instead of sending it empty.
std::string curl_header(const Text& name, const Text& value) {
  if (value.empty()) return name + ";";
  return name + ": " + value;
}

long timeout_ms_for(int timeout) {
  if (timeout == -1) return -1;
  return timeout < 1 ? 15000 : static_cast<long>(timeout) * 1000;
}

void add_header_lines(TransferRequest& rq, Text& hd, std::string_view url, const Text& cookies) {
  complete_request_headers(hd, url, true);
  if (!cookies.empty()) rq.header_lines.push_back(curl_header("Cookie", cookies));
  auto add_line = [&](std::string_view line) {
    Text name = header_name(line);
    if (name.empty()) return;
    rq.header_lines.push_back(curl_header(name, header_value(line)));
  };
  if (find_text(hd, "\r\n") == -1) {
    add_line(hd);
  } else {
    for (const Text& line : split_text(hd, std::string_view("\r\n")))
      if (!line.empty()) add_line(line);
  }
}

}  // namespace

FetchReport last_fetch_report() {
  return last_report;
}

void set_last_fetch_report(const FetchReport& report) {
  last_report = report;
}

TransferRequest plain_http_get(std::string_view url) {
  TransferRequest rq;
  rq.url = gbk_to_utf8(url);
  rq.method = "GET";
  rq.timeout_ms = timeout_ms_for(0);
  Text hd;
  add_header_lines(rq, hd, url, {});
  return rq;
}

Text exchange_cookies(const TransferResult& result, std::string_view last_block) {
  Text fresh = extract_set_cookies(last_block);
  if (result.earlier_headers.empty()) return fresh;
  Text earlier = extract_set_cookies(normalise_set_cookie(result.earlier_headers));
  if (earlier.empty()) return fresh;
  Text copy = fresh;
  return merge_cookies(earlier, copy);
}

Bytes http_fetch(std::string_view url, int method, std::string_view post_text, Text* cookies,
                 Text* new_cookies, Text* headers, Text* response_headers, int* status,
                 bool no_redirect, const Bytes& post_bytes, std::string_view proxy, int timeout,
                 std::string_view proxy_user, std::string_view proxy_password,
                 std::optional<int> proxy_auth_flag, RequestContext* request_object) {
  Text local_cookies, local_new, local_headers, local_response;
  Text& ck = cookies ? *cookies : local_cookies;
  Text& nc = new_cookies ? *new_cookies : local_new;
  Text& hd = headers ? *headers : local_headers;
  Text& rh = response_headers ? *response_headers : local_response;

  TransferRequest rq;
  rq.url = gbk_to_utf8(url);
  rq.method = method_text(method);
  rq.timeout_ms = timeout_ms_for(timeout);
  if (!proxy.empty()) {
    rq.proxy = gbk_to_utf8(proxy);
    if (!proxy_user.empty()) {
      rq.proxy_user = gbk_to_utf8(proxy_user);
      rq.proxy_password = gbk_to_utf8(proxy_password);
      rq.credentials_for_proxy = proxy_auth_flag.value_or(1) == 1;
    }
  }
  rq.follow_redirects = !no_redirect;
  add_header_lines(rq, hd, url, ck);

  if (!post_bytes.empty()) {
    rq.body = std::string(post_bytes.begin(), post_bytes.end());
  } else if (!post_text.empty()) {
    rq.body = std::string(post_text);
  }

  TransferResult res = perform_transfer(rq, request_object);
  last_report = {res.error, res.complete ? res.status : 0, res.retry_after_ms,
                 rq.timeout_ms < 0 ? 0 : rq.timeout_ms / 1000};
  Bytes body;
  if (res.complete) {
    body = std::move(res.body);
    // The request object hands back the header lines without the status line.
    size_t eol = res.headers.find("\r\n");
    rh = normalise_set_cookie(eol == std::string::npos
                                  ? std::string_view()
                                  : std::string_view(res.headers).substr(eol + 2));
    if (status) *status = res.status;
    nc = exchange_cookies(res, rh);
  } else {
    rh.clear();
    if (status) *status = 0;
    nc.clear();
  }
  merge_cookies(ck, nc);
  return body;
}

}  // namespace af
