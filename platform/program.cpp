#include "platform/program.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/files.h"

namespace af {

Text program_directory() {
  static const Text dir = [] {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return Text(".");
    Text t = gbk_path(exe.parent_path());
    while (t.size() > 1 && (t.back() == '/' || t.back() == '\\')) t.pop_back();
    return t;
  }();
  return dir;
}

namespace {

bool writable(const std::filesystem::path& p) {
  return !p.empty() && ::access(p.c_str(), W_OK | X_OK) == 0;
}

std::filesystem::path home_folder() {
  const char* home = std::getenv("HOME");
  return home && *home ? std::filesystem::path(home) : std::filesystem::path("/");
}

}  // namespace

bool running_installed() {
  static const bool installed = [] {
    std::filesystem::path dir = native_path(program_directory());
    std::error_code ec;
    if (std::filesystem::exists(dir.parent_path() / "share/applications/albumfetch.desktop", ec))
      return true;
    for (const char* system : {"/bin", "/sbin", "/usr/bin", "/usr/sbin", "/usr/local/bin",
                               "/usr/games", "/usr/local/sbin"})
      if (dir == system) return true;
    return false;
  }();
  return installed;
}

Text pictures_folder() {
  std::filesystem::path home = home_folder();
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::filesystem::path dirs =
      (config && *config ? std::filesystem::path(config) : home / ".config") / "user-dirs.dirs";
  std::ifstream in(dirs);
  std::string line;
  while (std::getline(in, line)) {
    // XDG_PICTURES_DIR="$HOME/图片"
    const std::string key = "XDG_PICTURES_DIR=\"";
    if (line.rfind(key, 0) != 0 || line.back() != '"') continue;
    std::string value = line.substr(key.size(), line.size() - key.size() - 1);
    if (value.rfind("$HOME", 0) == 0) value = home.string() + value.substr(5);
    if (!value.empty() && value[0] == '/' && value != home.string() + "/")
      return gbk_path(std::filesystem::path(value));
  }
  return gbk_path(home / "Pictures");
}

Text default_save_location(bool installed, const Text& dir) {
  if (!installed && writable(native_path(dir))) return dir;
  std::filesystem::path home = home_folder();
  Text pictures = pictures_folder();
  if (writable(native_path(pictures))) return pictures;
  if (writable(home)) return gbk_path(home);
  return installed ? gbk_path(std::filesystem::temp_directory_path()) : dir;
}

Text default_save_location() {
  return default_save_location(running_installed(), program_directory());
}

Text resolve_save_location(std::string_view typed) {
  Text t = trim_spaces(typed);
  if (t.empty()) return default_save_location();
  std::filesystem::path p = native_path(t);
  if (p.is_absolute()) return t;
  return gbk_path((home_folder() / p).lexically_normal());
}

}  // namespace af
