// Readable names for the cases of a parameterised test: the case's own description with
// every run of other characters made one underscore ("fresh, mid-body" -> fresh_mid_body).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace af::test {

inline std::string case_name(std::string_view description) {
  std::string out;
  for (char ch : description) {
    bool word = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9');
    if (word) {
      out += ch;
    } else if (!out.empty() && out.back() != '_') {
      out += '_';
    }
  }
  while (!out.empty() && out.back() == '_') out.pop_back();
  return out.empty() ? "case" : out;
}

// For INSTANTIATE_TEST_SUITE_P: names each case by its `name` field.
struct ByName {
  template <typename Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
    return case_name(info.param.name);
  }
};

}  // namespace af::test
