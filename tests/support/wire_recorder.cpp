#include "tests/support/wire_recorder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support/loopback.h"

namespace af::test {

WireRecorder::WireRecorder(std::string response) : response_(std::move(response)) {
  fd_ = listen_on_loopback(port_);
  thread_ = std::thread([this] { serve(); });
}

WireRecorder::~WireRecorder() {
  stop_ = true;
  thread_.join();
  ::close(fd_);
}

void WireRecorder::serve() {
  while (!stop_) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    int c = ::accept(fd_, nullptr, nullptr);
    if (c < 0) continue;
    std::string got;
    char buf[4096];
    size_t need = std::string::npos;
    while (!stop_) {
      pollfd q{c, POLLIN, 0};
      if (::poll(&q, 1, 2000) <= 0) break;
      ssize_t n = ::read(c, buf, sizeof buf);
      if (n <= 0) break;
      got.append(buf, static_cast<size_t>(n));
      size_t end = got.find("\r\n\r\n");
      if (end != std::string::npos && need == std::string::npos) {
        size_t body = 0;
        size_t cl = got.find("Content-Length: ");
        if (cl != std::string::npos && cl < end)
          body = std::strtoul(got.c_str() + cl + 16, nullptr, 10);
        need = end + 4 + body;
      }
      if (need != std::string::npos && got.size() >= need) break;
    }
    {
      std::lock_guard lock(m_);
      requests_.push_back(got);
    }
    (void)!::write(c, response_.data(), response_.size());
    ::shutdown(c, SHUT_WR);
    ::close(c);
  }
}

std::vector<std::string> WireRecorder::requests() {
  std::lock_guard lock(m_);
  return requests_;
}

std::string WireRecorder::request_line(size_t i) {
  auto r = requests();
  if (i >= r.size()) return {};
  return r[i].substr(0, r[i].find("\r\n"));
}

std::vector<std::string> WireRecorder::header_lines(size_t i) {
  auto r = requests();
  std::vector<std::string> out;
  if (i >= r.size()) return out;
  const std::string& s = r[i];
  size_t end = s.find("\r\n\r\n");
  size_t pos = s.find("\r\n") + 2;
  while (pos < end) {
    size_t eol = s.find("\r\n", pos);
    out.push_back(s.substr(pos, eol - pos));
    pos = eol + 2;
  }
  return out;
}

std::string WireRecorder::body(size_t i) {
  auto r = requests();
  if (i >= r.size()) return {};
  size_t end = r[i].find("\r\n\r\n");
  return end == std::string::npos ? std::string() : r[i].substr(end + 4);
}

}  // namespace af::test
