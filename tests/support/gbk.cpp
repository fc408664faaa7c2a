#include "tests/support/gbk.h"

#include "platform/codepage.h"

namespace af::test {
Text G(std::string_view utf8) {
  return utf8_to_gbk(utf8);
}
std::string U(std::string_view gbk) {
  return gbk_to_utf8(gbk);
}
}  // namespace af::test
