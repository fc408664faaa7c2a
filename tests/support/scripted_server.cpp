#include "tests/support/scripted_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "tests/support/loopback.h"

namespace af::test {

Reply answer(const std::string& status, const std::string& body, const std::string& extra_headers) {
  return {{{"HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
            extra_headers + "\r\n" + body}},
          true};
}

ScriptedServer::ScriptedServer(Script script) : script_(std::move(script)) {
  listen_fd_ = listen_on_loopback(port_);
  acceptor_ = std::thread([this] { accept_loop(); });
}

ScriptedServer::~ScriptedServer() {
  stop_ = true;
  acceptor_.join();
  for (auto& t : threads_) t.join();
  ::close(listen_fd_);
}

std::vector<std::string> ScriptedServer::requests() {
  std::lock_guard lock(m_);
  return requests_;
}

void ScriptedServer::accept_loop() {
  while (!stop_) {
    pollfd p{listen_fd_, POLLIN, 0};
    if (::poll(&p, 1, 10) <= 0) continue;
    int c = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0) continue;
    ++connections_;
    threads_.emplace_back([this, c] { serve(c); });
  }
}

bool ScriptedServer::send_all(int fd, const std::string& bytes) {
  size_t off = 0;
  while (off < bytes.size() && !stop_) {
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, 10) <= 0) continue;
    ssize_t n = ::send(fd, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
    if (n <= 0) return false;
    off += static_cast<size_t>(n);
  }
  return off == bytes.size();
}

void ScriptedServer::serve(int fd) {
  std::string buffer;
  bool open = true;
  while (open && !stop_) {
    // One request: its header block and a Content-Length body.
    size_t need = std::string::npos;
    while (!stop_ && (need == std::string::npos || buffer.size() < need)) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 10) <= 0) continue;
      char chunk[4096];
      ssize_t n = ::read(fd, chunk, sizeof chunk);
      if (n <= 0) {
        open = false;
        break;
      }
      buffer.append(chunk, static_cast<size_t>(n));
      size_t end = buffer.find("\r\n\r\n");
      if (end != std::string::npos && need == std::string::npos) {
        size_t body = 0, cl = buffer.find("Content-Length: ");
        if (cl != std::string::npos && cl < end)
          body = std::strtoul(buffer.c_str() + cl + 16, nullptr, 10);
        need = end + 4 + body;
      }
    }
    if (!open || stop_) break;
    std::string request = buffer.substr(0, need);
    buffer.erase(0, need);
    size_t index;
    {
      std::lock_guard lock(m_);
      index = requests_.size();
      requests_.push_back(request);
    }
    Reply reply = script_(index, request);
    for (const Step& s : reply.steps) {
      for (size_t i = 0; i < s.repeat && open && !stop_; ++i) {
        open = send_all(fd, s.bytes);
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(s.pause_ms);
        while (!stop_ && std::chrono::steady_clock::now() < until)
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
    open = open && reply.keep_open;
  }
  ::close(fd);
}

}  // namespace af::test
