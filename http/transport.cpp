#include "http/transport.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <mutex>

#include "http/proxy.h"
#include "platform/codepage.h"
#include "platform/delay.h"
#include "platform/worker.h"

namespace af {
namespace {

using Clock = std::chrono::steady_clock;

// Header blocks past this size are no answer we can use.
constexpr size_t header_block_cap = size_t{1} << 20;

std::once_flag curl_once;
void init_curl() {
  std::call_once(curl_once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::mutex connect_to_mutex;
std::string& connect_to_value() {
  static std::string value = [] {
    const char* env = std::getenv("ALBUMFETCH_CONNECT_TO");
    return std::string(env ? env : "");
  }();
  return value;
}

// The process-wide cookie store for requests that leave cookies to the platform.
struct CookieShare {
  CURLSH* share;
  std::mutex locks[CURL_LOCK_DATA_LAST];
  CookieShare() {
    share = curl_share_init();
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &CookieShare::lock);
    curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &CookieShare::unlock);
    curl_share_setopt(share, CURLSHOPT_USERDATA, this);
  }
  static void lock(CURL*, curl_lock_data d, curl_lock_access, void* p) {
    static_cast<CookieShare*>(p)->locks[d].lock();
  }
  static void unlock(CURL*, curl_lock_data d, void* p) {
    static_cast<CookieShare*>(p)->locks[d].unlock();
  }
};
CookieShare& cookie_share() {
  static CookieShare* s = new CookieShare();  // lives to the end of the process
  return *s;
}

struct SlistDeleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

// One attempt's view of the transfer, shared with libcurl's callbacks.
struct Sink {
  const TransferRequest* rq;
  TransferResult* result;
  CURL* easy;
  WorkerToken* token;
  TransferError failure = TransferError::none;  // set by a callback that ended the transfer
  bool paused = false;
  bool head_done = false;  // a HEAD that carried a body has its answer: end it there
  size_t received = 0;
  size_t header_bytes = 0;
  curl_off_t last_progress = -1;
  Clock::time_point last_change = Clock::now();
};

// Grows the body in steps that never pass the cap, so a body at its cap costs at most
// the cap plus the half-size block it was copied from.
bool append_body(Sink& s, const char* data, size_t len) {
  Bytes& body = s.result->body;
  size_t need = body.size() + len;
  if (need > body.capacity()) {
    size_t want = std::max(need, body.capacity() * 2);
    curl_off_t cl = -1;
    if (body.empty() &&
        curl_easy_getinfo(s.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &cl) == CURLE_OK && cl > 0 &&
        static_cast<unsigned long long>(cl) <= s.rq->max_body)
      want = std::max(want, static_cast<size_t>(cl));
    body.reserve(std::min(want, s.rq->max_body));
  }
  // Same element type on both sides, so this is one memcpy rather than a byte loop.
  const auto* bytes = reinterpret_cast<const unsigned char*>(data);
  body.insert(body.end(), bytes, bytes + len);
  return true;
}

size_t on_body(char* data, size_t size, size_t n, void* p) {
  auto* s = static_cast<Sink*>(p);
  size_t len = size * n;
  try {
    if (len > s->rq->max_body - std::min(s->received, s->rq->max_body)) {
      s->failure = TransferError::too_large;
      return 0;
    }
    bool stored = s->rq->on_data ? s->rq->on_data(reinterpret_cast<const unsigned char*>(data), len)
                                 : append_body(*s, data, len);
    if (!stored) {
      s->failure = TransferError::write;
      return 0;
    }
    s->received += len;
    return len;
  } catch (...) {
    s->failure = TransferError::too_large;  // memory refused
    return 0;
  }
}

// Each header line becomes a line of program text ended by "\r\n", whatever line end or
// bytes it came with, so no byte of it can run into the next line.
size_t on_header(char* data, size_t size, size_t n, void* p) {
  auto* s = static_cast<Sink*>(p);
  size_t len = size * n;
  try {
    TransferResult& r = *s->result;
    s->header_bytes += len;
    if (r.headers.size() + r.earlier_headers.size() + len > header_block_cap) {
      s->failure = TransferError::too_large;
      return 0;
    }
    std::string line(data, len);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    std::replace(line.begin(), line.end(), '\r', ' ');
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::replace(line.begin(), line.end(), '\0', ' ');
    if (line.rfind("HTTP/", 0) == 0) {  // a new response begins
      r.earlier_headers += r.headers;
      r.headers.clear();
      r.retry_after_ms = -1;
    }
    if (line.empty() && s->rq->method == "HEAD" && s->rq->body) {
      // Sent as a custom method so that the body goes out, libcurl would wait for a body
      // the answer to a HEAD never has.
      long code = 0;
      curl_easy_getinfo(s->easy, CURLINFO_RESPONSE_CODE, &code);
      bool redirect_followed = code >= 300 && code < 400 && s->rq->follow_redirects;
      if (code >= 200 && !redirect_followed) {
        r.headers.append("\r\n");
        s->head_done = true;
        return 0;
      }
    }
    Text text = utf8_to_gbk(std::string_view(line));
    r.headers.append(text).append("\r\n");
    constexpr std::string_view retry = "retry-after:";
    if (text.size() > retry.size() && to_lower(text.substr(0, retry.size())) == retry)
      r.retry_after_ms = parse_retry_after(std::string_view(text).substr(retry.size()));
    r.got_response = true;
    return len;
  } catch (...) {
    s->failure = TransferError::other;
    return 0;
  }
}

// Called by libcurl many times a second while a transfer is under way, and at least
// about once a second while nothing moves.
int on_progress(void* p, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow) {
  auto* s = static_cast<Sink*>(p);
  if (s->token && s->token->cancelled()) {
    s->failure = TransferError::cancelled;
    return 1;
  }
  if (s->token && s->token->paused()) {
    s->paused = true;
    return 1;
  }
  if (s->rq->timeout_ms >= 0) {
    curl_off_t now_bytes = dlnow + ulnow + static_cast<curl_off_t>(s->header_bytes);
    auto now = Clock::now();
    if (now_bytes != s->last_progress) {
      s->last_progress = now_bytes;
      s->last_change = now;
    } else if (now - s->last_change > std::chrono::milliseconds(std::max(1L, s->rq->timeout_ms))) {
      s->failure = TransferError::no_answer;
      return 1;
    }
  }
  return 0;
}

TransferError error_for(CURLcode code, const Sink& s) {
  if (s.head_done) return TransferError::none;
  if (s.failure != TransferError::none) return s.failure;
  switch (code) {
    case CURLE_OK:
      return TransferError::none;
    case CURLE_COULDNT_CONNECT:
      return TransferError::refused;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return TransferError::unresolved;
    case CURLE_OPERATION_TIMEDOUT:
      return s.received > 0 || s.result->got_response ? TransferError::too_slow
                                                      : TransferError::no_answer;
    case CURLE_FILESIZE_EXCEEDED:
      return TransferError::too_large;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
      return TransferError::cut_off;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE:
      return TransferError::tls;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_TOO_MANY_REDIRECTS:
      return TransferError::redirect;
    case CURLE_WRITE_ERROR:
      return TransferError::write;
    default:
      return TransferError::other;
  }
}

// What stays the same for every attempt of one request.
struct Setup {
  Slist headers, connect;
  std::string url;
};

// No proxy of the caller's own: the process's choice. Left to libcurl, the environment
// applies.
void apply_proxy_choice(CURL* e) {
  ProxyChoice choice = proxy_choice();
  if (choice.mode == ProxyMode::none) {
    curl_easy_setopt(e, CURLOPT_PROXY, "");
  } else if (choice.mode == ProxyMode::given) {
    // Every request, whatever no_proxy says: the user named this proxy for the run.
    curl_easy_setopt(e, CURLOPT_PROXY, choice.url.c_str());  // libcurl keeps a copy
    curl_easy_setopt(e, CURLOPT_NOPROXY, "");
  }
}

void configure(CURL* e, const TransferRequest& rq, Setup& setup) {
  setup.url = escape_unsafe(rq.url);
  curl_easy_setopt(e, CURLOPT_URL, setup.url.c_str());
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  static const bool verbose = std::getenv("ALBUMFETCH_CURL_VERBOSE") != nullptr;
  if (verbose) curl_easy_setopt(e, CURLOPT_VERBOSE, 1L);
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  bool https = setup.url.rfind("https://", 0) == 0;
  // A checked https exchange never continues over plain http.
  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, rq.verify_tls && https ? "https" : "http,https");
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, rq.follow_redirects ? 1L : 0L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
  if (rq.verify_tls) {
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    if (const char* ca = std::getenv("ALBUMFETCH_CA_BUNDLE"); ca && *ca)
      curl_easy_setopt(e, CURLOPT_CAINFO, ca);
  } else {
    // Certificate errors are accepted: the community's hosts have been known to serve
    // mismatched certificates.
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
  }
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, on_body);
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, on_header);
  curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, on_progress);
  curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(rq.max_body));
  if (rq.http10) curl_easy_setopt(e, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
  if (!rq.user_agent.empty()) curl_easy_setopt(e, CURLOPT_USERAGENT, rq.user_agent.c_str());

  // A connection, or any later stage, that makes no progress for the time-out fails (the
  // progress callback keeps that clock); a drip below the minimum speed fails too.
  if (rq.timeout_ms >= 0) {
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, rq.timeout_ms > 0 ? rq.timeout_ms : 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, slow_transfer_bytes_per_s);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, rq.slow_window_s);
  }

  std::string target = connect_to();
  if (!target.empty()) {
    setup.connect.reset(curl_slist_append(nullptr, ("::" + target).c_str()));
    curl_easy_setopt(e, CURLOPT_CONNECT_TO, setup.connect.get());
  }

  if (!rq.proxy.empty()) {
    curl_easy_setopt(e, CURLOPT_PROXY, rq.proxy.c_str());
    curl_easy_setopt(e, CURLOPT_NOPROXY, "");  // a named proxy has no bypass list
    if (!rq.proxy_user.empty()) {
      if (rq.credentials_for_proxy) {
        curl_easy_setopt(e, CURLOPT_PROXYUSERNAME, rq.proxy_user.c_str());
        curl_easy_setopt(e, CURLOPT_PROXYPASSWORD, rq.proxy_password.c_str());
      } else {
        curl_easy_setopt(e, CURLOPT_USERNAME, rq.proxy_user.c_str());
        curl_easy_setopt(e, CURLOPT_PASSWORD, rq.proxy_password.c_str());
      }
    }
  } else {
    apply_proxy_choice(e);
  }

  if (rq.cookie_store) {
    curl_easy_setopt(e, CURLOPT_SHARE, cookie_share().share);
    curl_easy_setopt(e, CURLOPT_COOKIEFILE, "");
  }

  curl_slist* headers = nullptr;
  for (std::string h : rq.header_lines) {
    // A header line is one line, whatever its caller let into it.
    std::replace(h.begin(), h.end(), '\r', ' ');
    std::replace(h.begin(), h.end(), '\n', ' ');
    headers = curl_slist_append(headers, h.c_str());
  }
  headers = curl_slist_append(headers, "Expect:");
  setup.headers.reset(headers);
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers);

  if (rq.method == "HEAD" && !rq.body) curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
  if (rq.method == "POST") curl_easy_setopt(e, CURLOPT_POST, 1L);
  if (rq.method == "GET") curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
  if (rq.body || rq.method == "POST") {
    const std::string& b = rq.body ? *rq.body : std::string();
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(b.size()));
    curl_easy_setopt(e, CURLOPT_COPYPOSTFIELDS, b.c_str());
    // Setting a body turns the request into a POST; a GET or HEAD with a body keeps its
    // name (the header callback ends a HEAD at its blank line).
    if (rq.method != "POST") curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, rq.method.c_str());
  }
}

// Runs one attempt in the context's multi loop; the window thread keeps pumping.
CURLcode run_attempt(RequestContext::Impl* ctx, CURL* e);

}  // namespace

struct RequestContext::Impl {
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  bool busy = false;
  Impl() {
    init_curl();
    multi = curl_multi_init();
    easy = curl_easy_init();
  }
  ~Impl() {
    if (easy) curl_easy_cleanup(easy);
    if (multi) curl_multi_cleanup(multi);
  }
};

namespace {

CURLcode run_attempt(RequestContext::Impl* ctx, CURL* e) {
  if (curl_multi_add_handle(ctx->multi, e) != CURLM_OK) return CURLE_FAILED_INIT;
  bool pump = wait_must_pump();
  CURLcode code = CURLE_RECV_ERROR;
  bool done = false;
  while (true) {
    int running = 0;
    if (curl_multi_perform(ctx->multi, &running) != CURLM_OK) break;
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(ctx->multi, &left)) {
      if (msg->msg == CURLMSG_DONE && msg->easy_handle == e) {
        code = msg->data.result;
        done = true;
      }
    }
    if (done || !running) break;
    if (pump) process_pending_messages();
    curl_multi_poll(ctx->multi, nullptr, 0, pump ? 10 : 50, nullptr);
  }
  curl_multi_remove_handle(ctx->multi, e);
  return code;
}

}  // namespace

RequestContext::RequestContext() : impl_(std::make_unique<Impl>()) {}
RequestContext::~RequestContext() = default;

void set_connect_to(const std::string& host_port) {
  std::lock_guard lock(connect_to_mutex);
  connect_to_value() = host_port;
}

std::string connect_to() {
  std::lock_guard lock(connect_to_mutex);
  return connect_to_value();
}

std::string escape_unsafe(std::string_view url) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(url.size());
  for (char ch : url) {
    auto c = static_cast<unsigned char>(ch);
    bool unsafe = c <= 0x20 || c >= 0x7F ||
                  std::string_view("\"<>\\^`{|}").find(ch) != std::string_view::npos;
    if (unsafe) {
      out.push_back('%');
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 15]);
    } else {
      out.push_back(ch);
    }
  }
  return out;
}

long parse_retry_after(std::string_view value, long cap_ms) {
  std::string v(trim_spaces(value));
  if (v.empty()) return -1;
  if (v.find_first_not_of("0123456789") == std::string::npos) {
    if (v.size() > 6) return cap_ms;
    return std::min(cap_ms, std::stol(v) * 1000);
  }
  time_t when = curl_getdate(v.c_str(), nullptr);
  if (when == -1) return -1;
  long long ms = (static_cast<long long>(when) - static_cast<long long>(std::time(nullptr))) * 1000;
  return static_cast<long>(std::clamp<long long>(ms, 0, cap_ms));
}

TransferResult perform_transfer(const TransferRequest& rq, RequestContext* context) {
  TransferResult result;
  try {
    static thread_local RequestContext thread_context;
    RequestContext::Impl* ctx = (context ? context : &thread_context)->impl();
    // A handler re-entered while the window pumps during a transfer gets its own context.
    std::unique_ptr<RequestContext> spare;
    if (ctx->busy) {
      spare = std::make_unique<RequestContext>();
      ctx = spare->impl();
    }
    if (!ctx->multi || !ctx->easy) {
      result.error = TransferError::other;
      return result;
    }
    struct Busy {
      RequestContext::Impl* c;
      ~Busy() { c->busy = false; }
    } busy{ctx};
    ctx->busy = true;
    CURL* e = ctx->easy;
    curl_easy_reset(e);
    Setup setup;
    configure(e, rq, setup);

    WorkerToken* token = current_token();
    CURLcode code;
    Sink sink{&rq, &result, e, token};
    while (true) {
      sink = Sink{&rq, &result, e, token};
      curl_easy_setopt(e, CURLOPT_WRITEDATA, &sink);
      curl_easy_setopt(e, CURLOPT_HEADERDATA, &sink);
      curl_easy_setopt(e, CURLOPT_XFERINFODATA, &sink);
      code = run_attempt(ctx, e);
      if (!sink.paused || !token) break;
      // Paused: nothing of this attempt counts; once continued, start it over.
      token->wait_while_paused();
      result = TransferResult{};
      if (token->cancelled()) {
        sink.failure = TransferError::cancelled;
        break;
      }
      if (rq.on_restart && !rq.on_restart()) {
        sink.failure = TransferError::write;
        break;
      }
    }

    long status = 0;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
    result.status = static_cast<int>(status);
    result.error = error_for(code, sink);
    result.complete = result.error == TransferError::none;
    if (rq.cookie_store) {
      // Drops the handle's list of cookie files (a reset keeps it) while the share, which
      // owns the cookies, is still attached.
      curl_easy_setopt(e, CURLOPT_COOKIEFILE, nullptr);
      curl_easy_setopt(e, CURLOPT_SHARE, nullptr);
    }
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(e, CURLOPT_CONNECT_TO, nullptr);
  } catch (...) {
    result = TransferResult{};
    result.error = TransferError::other;
  }
  return result;
}

struct Exchange::Impl {
  TransferRequest rq;
  TransferResult result;
  CURL* easy = nullptr;
  Setup setup;
  Sink sink{nullptr, nullptr, nullptr, nullptr};
  ~Impl() {
    if (easy) curl_easy_cleanup(easy);
  }
};

Exchange::Exchange(TransferRequest request) : impl_(std::make_unique<Impl>()) {
  init_curl();
  Impl& x = *impl_;
  x.rq = std::move(request);
  x.easy = curl_easy_init();
  if (!x.easy) return;
  try {
    configure(x.easy, x.rq, x.setup);
  } catch (...) {
    curl_easy_cleanup(x.easy);
    x.easy = nullptr;
    return;
  }
  x.sink = Sink{&x.rq, &x.result, x.easy, nullptr};
  curl_easy_setopt(x.easy, CURLOPT_WRITEDATA, &x.sink);
  curl_easy_setopt(x.easy, CURLOPT_HEADERDATA, &x.sink);
  curl_easy_setopt(x.easy, CURLOPT_XFERINFODATA, &x.sink);
}

Exchange::~Exchange() = default;

void* Exchange::handle() const {
  return impl_->easy;
}

TransferResult Exchange::finish(int curl_code) {
  Impl& x = *impl_;
  if (!x.easy) {
    x.result.error = TransferError::other;
    return std::move(x.result);
  }
  long status = 0;
  curl_easy_getinfo(x.easy, CURLINFO_RESPONSE_CODE, &status);
  x.result.status = static_cast<int>(status);
  x.result.error = error_for(static_cast<CURLcode>(curl_code), x.sink);
  x.result.complete = x.result.error == TransferError::none;
  return std::move(x.result);
}

}  // namespace af
