#include "http/cover_reads.h"

#include <curl/curl.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/codepage.h"

namespace af {

bool cover_request(std::string_view url, TransferRequest& rq) {
  std::string u = gbk_to_utf8(url);
  if (u.rfind("http://", 0) != 0 && u.rfind("https://", 0) != 0) return false;
  rq = TransferRequest{};
  rq.url = std::move(u);
  rq.method = "GET";
  rq.user_agent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
  rq.header_lines = {"Accept: */*"};
  rq.verify_tls = true;
  return true;
}

struct CoverReads::Impl {
  long stall_ms;
  size_t connections;
  int give_up_after = 0;
  int silent_in_a_row = 0;
  bool gave_up = false;
  std::mutex m;
  std::condition_variable cv;
  std::deque<std::pair<size_t, TransferRequest>> queued;
  std::deque<CoverRead> finished;
  size_t outstanding = 0;  // submitted and not yet taken
  bool stop = false;
  std::atomic<long> opened{0};
  CURLM* multi = nullptr;
  std::thread thread;

  void end(size_t key, Bytes body, bool answered) {
    {
      std::lock_guard lock(m);
      finished.push_back(CoverRead{key, std::move(body), answered});
      silent_in_a_row = answered ? 0 : silent_in_a_row + 1;
      if (give_up_after > 0 && silent_in_a_row >= give_up_after && !gave_up) {
        // A silent service would cost every read still queued its whole time-out.
        gave_up = true;
        for (auto& q : queued) finished.push_back(CoverRead{q.first, {}, false});
        queued.clear();
      }
    }
    cv.notify_all();
  }
  void loop();
};

void CoverReads::Impl::loop() {
  std::map<CURL*, std::pair<size_t, std::unique_ptr<Exchange>>> active;
  try {
    while (true) {
      std::vector<std::pair<size_t, TransferRequest>> starting;
      {
        std::lock_guard lock(m);
        if (stop) break;
        while (active.size() + starting.size() < connections && !queued.empty()) {
          starting.push_back(std::move(queued.front()));
          queued.pop_front();
        }
      }
      for (auto& [key, rq] : starting) {
        auto x = std::make_unique<Exchange>(std::move(rq));
        auto* e = static_cast<CURL*>(x->handle());
        if (!e || curl_multi_add_handle(multi, e) != CURLM_OK) {
          end(key, {}, false);
          continue;
        }
        active.emplace(e, std::make_pair(key, std::move(x)));
      }
      int running = 0;
      curl_multi_perform(multi, &running);
      bool ended = false;
      int left = 0;
      while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
        if (msg->msg != CURLMSG_DONE) continue;
        CURL* e = msg->easy_handle;
        int code = msg->data.result;  // read before the handle leaves: msg goes with it
        auto it = active.find(e);
        if (it == active.end()) continue;
        long connects = 0;
        if (curl_easy_getinfo(e, CURLINFO_NUM_CONNECTS, &connects) == CURLE_OK) opened += connects;
        curl_multi_remove_handle(multi, e);
        TransferResult r = it->second.second->finish(code);
        end(it->second.first, std::move(r.body), r.got_response);
        active.erase(it);
        ended = true;
      }
      // A freed place is filled at once; otherwise sleep until curl has work or a submit
      // or the destructor wakes us.
      if (!ended) curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
    }
  } catch (...) {
    // Memory refused: what was asked for ends unanswered, so no caller waits for it.
    std::lock_guard lock(m);
    for (auto& q : queued) finished.push_back(CoverRead{q.first, {}, false});
    queued.clear();
    for (auto& a : active) finished.push_back(CoverRead{a.second.first, {}, false});
    cv.notify_all();
  }
  for (auto& a : active) curl_multi_remove_handle(multi, a.first);
}

CoverReads::CoverReads(long stall_ms, int give_up_after, int connections)
    : impl_(std::make_unique<Impl>()) {
  curl_global_init(CURL_GLOBAL_DEFAULT);  // counted by curl; a no-op when done before
  Impl& x = *impl_;
  x.stall_ms = stall_ms;
  x.give_up_after = give_up_after;
  x.connections = static_cast<size_t>(std::max(1, connections));
  x.multi = curl_multi_init();
  if (!x.multi) return;
  curl_multi_setopt(x.multi, CURLMOPT_MAX_HOST_CONNECTIONS, static_cast<long>(x.connections));
  curl_multi_setopt(x.multi, CURLMOPT_MAXCONNECTS, static_cast<long>(x.connections));
  try {
    Impl* self = impl_.get();
    x.thread = std::thread([self] { self->loop(); });
  } catch (const std::system_error&) {
    curl_multi_cleanup(x.multi);
    x.multi = nullptr;
  }
}

CoverReads::~CoverReads() {
  Impl& x = *impl_;
  {
    std::lock_guard lock(x.m);
    x.stop = true;
  }
  if (x.multi) curl_multi_wakeup(x.multi);
  if (x.thread.joinable()) x.thread.join();
  if (x.multi) curl_multi_cleanup(x.multi);
}

void CoverReads::submit(size_t key, std::string_view url) {
  Impl& x = *impl_;
  TransferRequest rq;
  bool readable = x.multi && cover_request(url, rq);
  {
    std::lock_guard lock(x.m);
    ++x.outstanding;
  }
  if (!readable) {
    // No read was made, so this says nothing about the service.
    {
      std::lock_guard lock(x.m);
      x.finished.push_back(CoverRead{key, {}, false});
    }
    x.cv.notify_all();
    return;
  }
  rq.timeout_ms = x.stall_ms;
  rq.max_body = cover_body_cap;
  {
    std::lock_guard lock(x.m);
    if (x.gave_up) {
      x.finished.push_back(CoverRead{key, {}, false});
    } else {
      x.queued.emplace_back(key, std::move(rq));
    }
  }
  x.cv.notify_all();
  curl_multi_wakeup(x.multi);
}

bool CoverReads::next(CoverRead& out, int wait_ms) {
  Impl& x = *impl_;
  std::unique_lock lock(x.m);
  if (!x.cv.wait_for(lock, std::chrono::milliseconds(wait_ms), [&] { return !x.finished.empty(); }))
    return false;
  out = std::move(x.finished.front());
  x.finished.pop_front();
  --x.outstanding;
  return true;
}

bool CoverReads::gave_up() {
  Impl& x = *impl_;
  std::lock_guard lock(x.m);
  return x.gave_up;
}

bool CoverReads::idle() {
  Impl& x = *impl_;
  std::lock_guard lock(x.m);
  return x.outstanding == 0;
}

long CoverReads::connections_opened() {
  return impl_->opened.load();
}

}  // namespace af
