#include "http/transport.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <mutex>

#include "platform/window.h"
#include "platform/worker.h"

namespace af {
namespace {

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

struct Sink {
  TransferResult* result;
  CURL* easy;
  bool reserved = false;
  bool activity = false;  // set whenever bytes arrive
};

size_t on_body(char* data, size_t size, size_t n, void* p) {
  auto* sink = static_cast<Sink*>(p);
  size_t len = size * n;
  Bytes& body = sink->result->body;
  if (!sink->reserved) {
    sink->reserved = true;
    curl_off_t cl = -1;
    if (curl_easy_getinfo(sink->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &cl) == CURLE_OK &&
        cl > 0 && cl < (curl_off_t{1} << 32))
      body.reserve(static_cast<size_t>(cl));
  }
  body.insert(body.end(), data, data + len);
  sink->activity = true;
  return len;
}

size_t on_header(char* data, size_t size, size_t n, void* p) {
  auto* sink = static_cast<Sink*>(p);
  size_t len = size * n;
  std::string_view line(data, len);
  if (line.rfind("HTTP/", 0) == 0) sink->result->headers.clear();  // a new response begins
  sink->result->headers.append(line);
  sink->result->got_response = true;
  sink->activity = true;
  return len;
}

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

TransferResult perform_transfer(const TransferRequest& rq, RequestContext* context) {
  TransferResult result;
  static thread_local RequestContext thread_context;
  RequestContext::Impl* ctx = (context ? context : &thread_context)->impl();
  // A handler re-entered while the window pumps during a transfer gets its own context.
  std::unique_ptr<RequestContext> spare;
  if (ctx->busy) {
    spare = std::make_unique<RequestContext>();
    ctx = spare->impl();
  }
  if (!ctx->multi || !ctx->easy) return result;
  ctx->busy = true;
  CURL* e = ctx->easy;
  curl_easy_reset(e);

  Sink sink{&result, e};
  curl_easy_setopt(e, CURLOPT_URL, rq.url.c_str());
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  static const bool verbose = std::getenv("ALBUMFETCH_CURL_VERBOSE") != nullptr;
  if (verbose) curl_easy_setopt(e, CURLOPT_VERBOSE, 1L);
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, rq.follow_redirects ? 1L : 0L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
  // Certificate errors are accepted: the community's hosts have been known to serve
  // mismatched certificates.
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, on_body);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, on_header);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, &sink);
  if (rq.http10) curl_easy_setopt(e, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
  if (!rq.user_agent.empty()) curl_easy_setopt(e, CURLOPT_USERAGENT, rq.user_agent.c_str());

  // A stage that makes no progress for the time-out fails (the connect stage here, the
  // sending and every wait for data in the loop below); a transfer that keeps moving is
  // never cut off.
  if (rq.timeout_ms >= 0)
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, rq.timeout_ms > 0 ? rq.timeout_ms : 1L);

  std::string target = connect_to();
  curl_slist* connect_list = nullptr;
  if (!target.empty()) {
    connect_list = curl_slist_append(nullptr, ("::" + target).c_str());
    curl_easy_setopt(e, CURLOPT_CONNECT_TO, connect_list);
  }

  if (!rq.proxy.empty()) {
    curl_easy_setopt(e, CURLOPT_PROXY, rq.proxy.c_str());
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
    curl_easy_setopt(e, CURLOPT_PROXY, "");  // no proxy from the environment either
  }

  if (rq.cookie_store) {
    curl_easy_setopt(e, CURLOPT_SHARE, cookie_share().share);
    curl_easy_setopt(e, CURLOPT_COOKIEFILE, "");
  }

  curl_slist* headers = nullptr;
  for (const std::string& h : rq.header_lines) headers = curl_slist_append(headers, h.c_str());
  headers = curl_slist_append(headers, "Expect:");
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers);

  if (rq.method == "HEAD") {
    curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
  } else if (rq.method == "POST") {
    curl_easy_setopt(e, CURLOPT_POST, 1L);
  } else {
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
  }
  if (rq.body || rq.method == "POST") {
    const std::string& b = rq.body ? *rq.body : std::string();
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(b.size()));
    curl_easy_setopt(e, CURLOPT_COPYPOSTFIELDS, b.c_str());
    // Setting a body turns the request into a POST; a GET or HEAD with a body keeps its name.
    if (rq.method == "GET") curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, "GET");
  }

  CURLcode code = CURLE_OK;
  WorkerToken* token = current_token();
  Window* window = current_window();
  bool pump = window && window->on_window_thread();
  bool aborted = false;
  using clock = std::chrono::steady_clock;
  auto last_activity = clock::now();
  curl_off_t last_sent = 0;
  bool connected = false;
  if (curl_multi_add_handle(ctx->multi, e) == CURLM_OK) {
    while (true) {
      int running = 0;
      if (curl_multi_perform(ctx->multi, &running) != CURLM_OK) break;
      if (!running) break;
      if (token && token->cancelled()) {
        aborted = true;
        break;
      }
      if (rq.timeout_ms >= 0) {
        curl_off_t sent = 0, connect_us = 0;
        curl_easy_getinfo(e, CURLINFO_SIZE_UPLOAD_T, &sent);
        curl_easy_getinfo(e, CURLINFO_CONNECT_TIME_T, &connect_us);
        bool now_connected = connect_us > 0;
        if (sink.activity || sent != last_sent || now_connected != connected) {
          sink.activity = false;
          last_sent = sent;
          connected = now_connected;
          last_activity = clock::now();
        } else if (connected && clock::now() - last_activity >
                                    std::chrono::milliseconds(std::max(1L, rq.timeout_ms))) {
          aborted = true;  // stalled
          break;
        }
      }
      if (pump) window->process_pending();
      curl_multi_poll(ctx->multi, nullptr, 0, pump ? 10 : 50, nullptr);
    }
    int left = 0;
    code = aborted ? CURLE_ABORTED_BY_CALLBACK : CURLE_RECV_ERROR;
    while (CURLMsg* msg = curl_multi_info_read(ctx->multi, &left)) {
      if (msg->msg == CURLMSG_DONE && msg->easy_handle == e) code = msg->data.result;
    }
    if (aborted) code = CURLE_ABORTED_BY_CALLBACK;
    curl_multi_remove_handle(ctx->multi, e);
  } else {
    code = CURLE_FAILED_INIT;
  }

  long status = 0;
  curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
  result.status = static_cast<int>(status);
  result.complete = code == CURLE_OK;
  if (rq.cookie_store) {
    // Drops the handle's list of cookie files (a reset keeps it) while the share, which
    // owns the cookies, is still attached.
    curl_easy_setopt(e, CURLOPT_COOKIEFILE, nullptr);
    curl_easy_setopt(e, CURLOPT_SHARE, nullptr);
  }
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, nullptr);
  curl_easy_setopt(e, CURLOPT_CONNECT_TO, nullptr);
  curl_slist_free_all(headers);
  curl_slist_free_all(connect_list);
  ctx->busy = false;
  return result;
}

}  // namespace af
