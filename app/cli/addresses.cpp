#include "app/cli/addresses.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/cli/session.h"

namespace af::cli {
namespace {

bool blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// The whole of `fd` up to the cap; false with errno when unreadable or larger.
bool read_all(int fd, std::string& out) {
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (out.size() + static_cast<size_t>(n) > address_list_cap) {
      errno = EFBIG;
      return false;
    }
    out.append(buffer, static_cast<size_t>(n));
  }
}

}  // namespace

std::vector<std::string> address_lines(std::string_view text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    while (!line.empty() && blank(line.front())) line.remove_prefix(1);
    while (!line.empty() && blank(line.back())) line.remove_suffix(1);
    if (!line.empty() && line.front() != '#') out.emplace_back(line);
  }
  return out;
}

void add_input_option(QCommandLineParser& parser) {
  parser.addOption(QCommandLineOption({"i", "input-file"}, "input-file", "FILE"));
}

std::optional<std::vector<std::string>> gather_addresses(const QCommandLineParser& parser,
                                                         const std::string& command, int& status) {
  std::vector<std::string> addresses;
  for (const QString& a : parser.positionalArguments()) addresses.push_back(a.toStdString());
  if (parser.isSet("input-file")) {
    std::string name = parser.value("input-file").toStdString();
    bool stdin_list = name == "-";
    int fd = stdin_list ? 0 : ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    std::string text;
    bool ok = fd >= 0 && read_all(fd, text);
    int error = errno;
    if (fd > 0) ::close(fd);
    if (!ok) {
      status = usage_error(command, "无法读取地址列表 " + (stdin_list ? "（标准输入）" : name) +
                                        "：" + std::strerror(error));
      return std::nullopt;
    }
    for (std::string& a : address_lines(text)) addresses.push_back(std::move(a));
  }
  if (addresses.empty()) {
    status = usage_error(command, parser.isSet("input-file") ? "地址列表里没有地址" : "缺少地址");
    return std::nullopt;
  }
  return addresses;
}

}  // namespace af::cli
