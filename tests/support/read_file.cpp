#include "tests/support/read_file.h"

#include <fstream>
#include <iterator>

namespace af::test {

std::string read_file(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

}  // namespace af::test
