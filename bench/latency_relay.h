// A loopback TCP relay that holds every chunk for a fixed delay in each direction, so a
// loopback server looks like one across a network with that round trip. It counts the
// connections it is asked for.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <utility>

namespace bench {

class LatencyRelay {
 public:
  // Relays 127.0.0.1:<its port> to 127.0.0.1:`upstream_port`, `delay_ms` each way.
  LatencyRelay(int upstream_port, int delay_ms) : upstream_(upstream_port), delay_(delay_ms) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a = loopback(0);
    socklen_t len = sizeof a;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 512) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
      return;
    port_ = ntohs(a.sin_port);
    acceptor_ = std::thread([this] { accept_loop(); });
  }
  ~LatencyRelay() {
    stop_ = true;
    if (acceptor_.joinable()) acceptor_.join();
    while (pumps_.load() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::close(fd_);
  }
  int port() const { return port_; }
  long connections() const { return accepted_.load(); }

 private:
  using Clock = std::chrono::steady_clock;
  struct Pair {
    int client = -1, server = -1;
    ~Pair() {
      ::close(client);
      ::close(server);
    }
  };

  static sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    return a;
  }

  void accept_loop() {
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (c < 0) continue;
      ++accepted_;
      int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in a = loopback(upstream_);
      if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(c);
        ::close(s);
        continue;
      }
      auto pair = std::make_shared<Pair>();
      pair->client = c;
      pair->server = s;
      pumps_ += 2;
      std::thread([this, pair] { pump(pair, pair->client, pair->server); }).detach();
      std::thread([this, pair] { pump(pair, pair->server, pair->client); }).detach();
    }
  }

  // Reads from `from` as it comes and writes each chunk to `to` once its delay is over.
  void pump(std::shared_ptr<Pair> keep, int from, int to) {
    std::deque<std::pair<Clock::time_point, std::string>> held;
    bool open = true;
    while (!stop_ && (open || !held.empty())) {
      int wait = 20;
      if (!held.empty()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(held.front().first -
                                                                          Clock::now());
        wait = static_cast<int>(std::max<long>(0, std::min<long>(20, left.count())));
      }
      pollfd p{from, POLLIN, 0};
      if (open && ::poll(&p, 1, wait) > 0) {
        char buf[65536];
        ssize_t n = ::read(from, buf, sizeof buf);
        if (n <= 0) {
          open = false;
        } else {
          held.emplace_back(Clock::now() + std::chrono::milliseconds(delay_),
                            std::string(buf, static_cast<size_t>(n)));
        }
      } else if (!open) {
        std::this_thread::sleep_for(std::chrono::milliseconds(wait));
      }
      while (!held.empty() && held.front().first <= Clock::now()) {
        const std::string& d = held.front().second;
        for (size_t off = 0; off < d.size();) {
          ssize_t n = ::send(to, d.data() + off, d.size() - off, MSG_NOSIGNAL);
          if (n <= 0) {
            held.clear();
            open = false;
            break;
          }
          off += static_cast<size_t>(n);
        }
        if (!held.empty()) held.pop_front();
      }
    }
    ::shutdown(to, SHUT_WR);
    keep.reset();
    --pumps_;
  }

  int upstream_, delay_;
  int fd_ = -1, port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<long> accepted_{0};
  std::atomic<int> pumps_{0};
  std::thread acceptor_;
};

}  // namespace bench
