// The two synchronous request routines and the plain cover read. Every failure ends in an
// empty (or, where the routine says so, partial) body and nothing raises; last_fetch_report
// tells a caller that asks how the last http_fetch ended.
#pragma once

#include <optional>

#include "http/transport.h"
#include "text/text.h"

namespace af {

// Parameters the routine fills are the caller's variables; null means left out.
Bytes http_fetch(std::string_view url, int method = 0, std::string_view post_text = {},
                 Text* cookies = nullptr, Text* new_cookies = nullptr, Text* headers = nullptr,
                 Text* response_headers = nullptr, int* status = nullptr, bool no_redirect = false,
                 const Bytes& post_bytes = {}, std::string_view proxy = {}, int timeout = 0,
                 std::string_view proxy_user = {}, std::string_view proxy_password = {},
                 std::optional<int> proxy_auth_flag = std::nullopt,
                 RequestContext* request_object = nullptr);

// `cookies` present (even empty) turns the process's own cookie store off for the call
// and merges the response's cookies into it.
Bytes inet_fetch(std::string_view url, int method = 0, std::string_view post_text = {},
                 Text* cookies = nullptr, Text* new_cookies = nullptr, Text* headers = nullptr,
                 Text* response_headers = nullptr, bool no_redirect = false,
                 Bytes* post_bytes = nullptr, std::string_view proxy = {});

// One plain GET of a whole address through the process's cover session; a transfer that
// breaks off gives the part that arrived.
Bytes read_url(std::string_view url);

// How the last http_fetch or inet_fetch of this thread ended.
struct FetchReport {
  TransferError error = TransferError::none;
  int status = 0;
  long retry_after_ms = -1;
  long timeout_s = 15;  // the time-out it ran with, for "no answer within N s"
};
FetchReport last_fetch_report();
void set_last_fetch_report(const FetchReport& report);
// Whether the server could not be reached at all: refused, unknown host, silence, TLS.
inline bool unreachable(const FetchReport& r) {
  return r.error == TransferError::refused || r.error == TransferError::unresolved ||
         r.error == TransferError::no_answer || r.error == TransferError::tls;
}

// The request http_fetch makes for a plain GET of `url` with every parameter left out.
TransferRequest plain_http_get(std::string_view url);
// Cookies set by every response of an exchange, redirects included; later ones win.
Text exchange_cookies(const TransferResult& result, std::string_view last_block);

}  // namespace af
