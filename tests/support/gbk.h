#pragma once
#include <string>

#include "text/text.h"

namespace af::test {
// A GBK text from a UTF-8 literal, for readable test data.
Text G(std::string_view utf8);
// Back to UTF-8, for readable failure messages.
std::string U(std::string_view gbk);
}  // namespace af::test
