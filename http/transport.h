// One HTTP exchange over libcurl, shared by the request routines. Connections are kept
// per thread (or per request context) for reuse; a transfer notices a stopped worker
// within a poll interval and, on the window thread, keeps the window's messages flowing.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "text/text.h"

namespace af {

struct TransferRequest {
  std::string url;                        // UTF-8
  std::string method;                     // "GET", "POST" or "HEAD"
  std::vector<std::string> header_lines;  // sent in this order, after curl's Host line
  std::optional<std::string> body;        // sent even for GET/HEAD when present
  std::string user_agent;                 // empty: only what the header lines say
  bool follow_redirects = true;
  long timeout_ms = 15000;  // per stage without progress; negative: none
  std::string proxy, proxy_user, proxy_password;
  bool credentials_for_proxy = true;  // false: the credentials go to the server
  bool cookie_store = false;          // use the process's own cookie store
  bool http10 = false;
};

struct TransferResult {
  Bytes body;
  std::string headers;  // raw block of the last response, status line first
  int status = 0;
  bool complete = false;  // the exchange ended without a transport error
  bool got_response = false;
};

// A reusable request context (keeps its connections alive between calls).
class RequestContext {
 public:
  RequestContext();
  ~RequestContext();
  RequestContext(const RequestContext&) = delete;
  RequestContext& operator=(const RequestContext&) = delete;
  struct Impl;
  Impl* impl() { return impl_.get(); }

 private:
  std::unique_ptr<Impl> impl_;
};

TransferResult perform_transfer(const TransferRequest& request, RequestContext* context = nullptr);

// Where every connection goes instead of the address's own host ("HOST:PORT"); read once
// from ALBUMFETCH_CONNECT_TO, replaceable for tests. Empty: connect normally.
void set_connect_to(const std::string& host_port);
std::string connect_to();

}  // namespace af
