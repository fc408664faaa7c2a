#include "platform/folders.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/codepage.h"
#include "platform/files.h"

namespace af {
namespace fs = std::filesystem;

namespace {

Text reason(int error_number) {
  return utf8_to_gbk(std::string_view(std::strerror(error_number)));
}

}  // namespace

Text prepare_folder(std::string_view folder, bool probe_write) {
  if (folder.empty()) return reason(ENOENT);
  fs::path p = native_path(folder);
  std::error_code ec;
  // A second try covers a parent that another process made at the same moment.
  if (!fs::is_directory(p, ec)) {
    fs::create_directories(p, ec);
    if (ec) fs::create_directories(p, ec);
    if (ec) return reason(ec.value());
    if (!fs::is_directory(p, ec)) return reason(ENOTDIR);
  }
  if (!probe_write) return {};
  std::string probe = (p / ".albumfetch-probe-XXXXXX").string();
  int fd = ::mkstemp(probe.data());
  if (fd < 0) return reason(errno);
  ::close(fd);
  ::unlink(probe.c_str());
  return {};
}

}  // namespace af
