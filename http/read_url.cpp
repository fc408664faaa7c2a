#include <mutex>

#include "http/fetch.h"
#include "platform/codepage.h"

namespace af {

Bytes read_url(std::string_view url) {
  if (url.empty()) return {};
  std::string u = gbk_to_utf8(url);
  if (u.rfind("http://", 0) != 0 && u.rfind("https://", 0) != 0) return {};
  // One session serves every cover read of the process, opened on first use.
  static std::mutex session_mutex;
  static RequestContext* session = new RequestContext();
  TransferRequest rq;
  rq.url = u;
  rq.method = "GET";
  rq.http10 = true;
  rq.user_agent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
  rq.header_lines = {"Accept: */*"};
  rq.timeout_ms = 60000;
  rq.verify_tls = true;
  rq.system_proxy = true;  // the system's preconfigured proxy: http_proxy, https_proxy, no_proxy
  std::lock_guard lock(session_mutex);
  TransferResult res = perform_transfer(rq, session);
  return std::move(res.body);
}

}  // namespace af
