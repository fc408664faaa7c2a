#include "platform/files.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <system_error>

#include "platform/codepage.h"
#include "platform/folder.h"

namespace af {
namespace fs = std::filesystem;

fs::path native_path(std::string_view gbk) {
  std::string native = text_to_native(gbk);
  for (char& c : native)
    if (c == '\\') c = '/';
  return fs::path(native);
}

Text gbk_path(const fs::path& path) {
  return native_to_text(path.native());
}

bool is_folder(std::string_view path) {
  if (path.empty()) return false;
  std::error_code ec;
  return fs::is_directory(native_path(path), ec);
}

bool make_folder_path(Text& path) {
  if (path.empty() || path.back() != '\\') path.push_back('\\');
  fs::path p = native_path(path);
  std::error_code ec;
  fs::create_directories(p, ec);
  return fs::is_directory(p, ec);
}

bool file_exists(std::string_view path) {
  if (path.empty()) return false;
  fs::path p = native_path(path);
  std::string name = p.filename().string();
  std::error_code ec;
  if (name.find_first_of("*?") == std::string::npos) return fs::exists(p, ec);
  fs::path dir = p.parent_path().empty() ? fs::path(".") : p.parent_path();
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (fnmatch(name.c_str(), it->path().filename().c_str(), FNM_PERIOD) == 0) return true;
  }
  return false;
}

bool write_file(std::string_view path, std::initializer_list<const Bytes*> parts) {
  return write_file_parts(path, parts);
}

bool set_file_attributes(std::string_view path, int bits) {
  bits &= 0x27;
  fs::path p = native_path(path);
  struct stat st;
  if (::stat(p.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  if (bits & attribute_readonly) {
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  } else {
    mode |= S_IWUSR;
  }
  return ::chmod(p.c_str(), mode) == 0;
}

}  // namespace af
