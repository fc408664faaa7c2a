// A file's whole bytes, for comparing what a test left on disk.
#pragma once

#include <filesystem>
#include <string>

namespace af::test {

// Empty when the file cannot be read.
std::string read_file(const std::filesystem::path& p);

}  // namespace af::test
