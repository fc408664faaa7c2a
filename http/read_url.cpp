#include <mutex>

#include "http/cover_reads.h"
#include "http/fetch.h"

namespace af {

Bytes read_url(std::string_view url) {
  if (url.empty()) return {};
  TransferRequest rq;
  if (!cover_request(url, rq)) return {};
  // One session serves every single cover read of the process, opened on first use.
  static std::mutex session_mutex;
  static RequestContext* session = new RequestContext();
  rq.http10 = true;
  rq.timeout_ms = 60000;
  std::lock_guard lock(session_mutex);
  TransferResult res = perform_transfer(rq, session);
  return std::move(res.body);
}

}  // namespace af
