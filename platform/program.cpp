#include "platform/program.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
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

void enter_program_directory() {
  std::error_code ec;
  std::filesystem::current_path(native_path(program_directory()), ec);
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

Text default_save_location() {
  Text dir = program_directory();
  if (writable(native_path(dir))) return dir;
  std::filesystem::path home = home_folder();
  std::filesystem::path pictures = home / "Pictures";
  if (writable(pictures)) return gbk_path(pictures);
  if (writable(home)) return gbk_path(home);
  return dir;
}

Text resolve_save_location(std::string_view typed) {
  Text t = trim_spaces(typed);
  if (t.empty()) return default_save_location();
  std::filesystem::path p = native_path(t);
  if (p.is_absolute()) return t;
  return gbk_path((home_folder() / p).lexically_normal());
}

}  // namespace af
