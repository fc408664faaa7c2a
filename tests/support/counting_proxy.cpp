#include "tests/support/counting_proxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/support/loopback.h"

namespace af::test {
namespace {

bool send_all(int fd, const std::string& bytes) {
  size_t off = 0;
  while (off < bytes.size()) {
    ssize_t n = ::send(fd, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
    if (n <= 0) return false;
    off += static_cast<size_t>(n);
  }
  return true;
}

int connect_to(const std::string& host_port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(std::stoi(host_port.substr(host_port.find(':') + 1))));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Reads up to the end of a request head, at most 64 KB, giving up after 5 s of silence.
std::string read_head(int fd) {
  std::string head;
  char buf[4096];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 5000) <= 0) return {};
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return {};
    head.append(buf, static_cast<size_t>(n));
  }
  return head;
}

// "GET http://HOST/PATH" for a request head in origin form, from its Host line.
std::string absolute_target(const std::string& head) {
  size_t sp1 = head.find(' '), sp2 = head.find(' ', sp1 + 1);
  std::string host;
  size_t at = head.find("\r\nHost: ");
  if (at != std::string::npos) host = head.substr(at + 8, head.find("\r\n", at + 8) - at - 8);
  return head.substr(0, sp1) + " http://" + host + head.substr(sp1 + 1, sp2 - sp1 - 1);
}

}  // namespace

CountingProxy::CountingProxy(std::string upstream) : upstream_(std::move(upstream)) {
  listen_fd_ = listen_on_loopback(port_);
  acceptor_ = std::thread([this] { accept_loop(); });
}

CountingProxy::~CountingProxy() {
  stop_ = true;
  acceptor_.join();
  for (auto& t : threads_) t.join();
  ::close(listen_fd_);
}

std::vector<std::string> CountingProxy::targets() {
  std::lock_guard lock(m_);
  return targets_;
}

void CountingProxy::accept_loop() {
  while (!stop_) {
    pollfd p{listen_fd_, POLLIN, 0};
    if (::poll(&p, 1, 10) <= 0) continue;
    int c = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (c >= 0) threads_.emplace_back([this, c] { carry(c); });
  }
}

// A tunnel (what libcurl asks for when the connection's end is redirected, as the tests
// do): both ways byte for byte, each request head inside it counted.
void CountingProxy::tunnel(int client, std::string early) {
  int up = connect_to(upstream_);
  if (up < 0 || !send_all(client, "HTTP/1.1 200 Connection established\r\n\r\n")) {
    if (up >= 0) ::close(up);
    return;
  }
  std::string pending;
  auto from_client = [&](const std::string& bytes) {
    pending += bytes;
    // The program's requests here have no bodies: a head ends each one.
    for (size_t end; (end = pending.find("\r\n\r\n")) != std::string::npos;) {
      std::lock_guard lock(m_);
      targets_.push_back(absolute_target(pending.substr(0, end + 2)));
      pending.erase(0, end + 4);
    }
    return send_all(up, bytes);
  };
  bool open = early.empty() || from_client(early);
  char buf[65536];
  while (open && !stop_) {
    pollfd p[2] = {{client, POLLIN, 0}, {up, POLLIN, 0}};
    int ready = ::poll(p, 2, 50);
    if (ready < 0) break;
    for (int k = 0; k < 2 && open; ++k) {
      if (!(p[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      ssize_t n = ::recv(p[k].fd, buf, sizeof buf, 0);
      std::string bytes(buf, n > 0 ? static_cast<size_t>(n) : 0);
      open = n > 0 && (k == 0 ? from_client(bytes) : send_all(client, bytes));
    }
  }
  ::close(up);
}

// The program's requests reach it as CONNECT tunnels: the tests redirect every
// connection's end, and libcurl then tunnels through a proxy.
void CountingProxy::carry(int client) {
  std::string head = read_head(client);
  if (head.rfind("CONNECT ", 0) == 0) tunnel(client, head.substr(head.find("\r\n\r\n") + 4));
  ::close(client);
}

}  // namespace af::test
