// One HTTP exchange over libcurl, shared by the request routines. Connections are kept
// per thread (or per request context) for reuse; a transfer notices a stopped worker
// within a poll interval and, on the window thread, keeps the window's messages flowing.
// Whatever the server sends, memory stays bounded and no exception leaves this layer.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "text/text.h"

namespace af {

// Largest bodies a transfer accepts; past them it ends as failed.
inline constexpr size_t page_body_cap = size_t{64} << 20;
inline constexpr size_t picture_body_cap = size_t{256} << 20;
// Below this many bytes a second, averaged over the window, a transfer counts as stalled.
inline constexpr long slow_transfer_bytes_per_s = 1024;
inline constexpr long slow_transfer_window_s = 30;

enum class TransferError {
  none,
  cancelled,   // the worker was stopped
  refused,     // nobody listens there
  unresolved,  // the host name is unknown
  no_answer,   // nothing arrived within the time-out
  too_slow,    // below the minimum speed for the whole window
  too_large,   // past the body cap
  cut_off,     // the body ended before its end
  tls,         // certificate or handshake refused
  redirect,    // a redirect that is not allowed (scheme, https to http, too many)
  write,       // the body could not be stored
  other,
};

struct TransferRequest {
  std::string url;                        // UTF-8; unsafe characters are escaped on the way
  std::string method;                     // "GET", "POST" or "HEAD"
  std::vector<std::string> header_lines;  // sent in this order, after curl's Host line
  std::optional<std::string> body;        // sent even for GET/HEAD when present
  std::string user_agent;                 // empty: only what the header lines say
  bool follow_redirects = true;
  long timeout_ms = 15000;  // per stage without progress; negative: none
  long slow_window_s = slow_transfer_window_s;
  std::string proxy, proxy_user, proxy_password;  // no proxy: the process's choice (proxy.h)
  bool credentials_for_proxy = true;              // false: the credentials go to the server
  bool cookie_store = false;                      // use the process's own cookie store
  bool http10 = false;
  bool verify_tls = false;  // check certificates; then an https address never redirects to http
  size_t max_body = page_body_cap;
  // When set, body bytes go here instead of into the result; false means they could not
  // be stored. `on_restart` is called when the transfer starts over (after a pause).
  std::function<bool(const unsigned char*, size_t)> on_data;
  std::function<bool()> on_restart;
};

struct TransferResult {
  Bytes body;
  std::string headers;          // block of the last response as text, status line first
  std::string earlier_headers;  // blocks of the responses before it (followed redirects)
  int status = 0;
  bool complete = false;  // the exchange ended without a transport error
  bool got_response = false;
  TransferError error = TransferError::none;
  long retry_after_ms = -1;  // from a Retry-After header; -1 when absent
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

// One transfer for a caller that drives many at once in a multi handle of its own, so
// they share that handle's connections. It knows no worker: the caller ends it by taking
// it out of the multi handle.
class Exchange {
 public:
  explicit Exchange(TransferRequest request);
  ~Exchange();
  Exchange(const Exchange&) = delete;
  Exchange& operator=(const Exchange&) = delete;
  // The easy handle to add to the multi handle; null when none could be made.
  void* handle() const;
  // Once the multi handle reports the transfer done with `curl_code`.
  TransferResult finish(int curl_code);
  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// A paused worker's transfer is abandoned, held until the worker continues and then made
// again from the start, so nothing of it is delivered while paused.
TransferResult perform_transfer(const TransferRequest& request, RequestContext* context = nullptr);

// Where every connection goes instead of the address's own host ("HOST:PORT"); read once
// from ALBUMFETCH_CONNECT_TO, replaceable for tests. Empty: connect normally.
void set_connect_to(const std::string& host_port);
std::string connect_to();

// Percent-escapes what may not stand in a request line (spaces, controls, quotes, bytes
// above 0x7E), leaving everything else, "%" included, as it is.
std::string escape_unsafe(std::string_view url);
// Retry-After as seconds or an HTTP date, in ms, at most `cap_ms`; -1 when unreadable.
// How long a client actually waits is the retry policy's to say.
long parse_retry_after(std::string_view value, long cap_ms = 24L * 3600 * 1000);

}  // namespace af
