#include "platform/program.h"

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

}  // namespace af
