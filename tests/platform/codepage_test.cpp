#include "platform/codepage.h"

#include <gtest/gtest.h>

using namespace af;

TEST(Utf8ToGbk, ConvertsAndReplacesWhatGbkLacks) {
  EXPECT_EQ(utf8_to_gbk(std::string_view("网易摄影")), "\xCD\xF8\xD2\xD7\xC9\xE3\xD3\xB0");
  EXPECT_EQ(utf8_to_gbk(Bytes{}), "");
  // An emoji has no GBK form: one "?" for the whole character, nothing truncated after it.
  EXPECT_EQ(utf8_to_gbk(std::string_view("a\xF0\x9F\x98\x80"
                                         "b")),
            "a?b");
  // Broken UTF-8 becomes "?" and the rest survives.
  EXPECT_EQ(utf8_to_gbk(std::string_view("a\xE7\xBD"
                                         "b\xFF"
                                         "c")),
            "a?b?c");
  EXPECT_EQ(utf8_to_gbk(std::string_view("ab\0cd", 5)), "ab");
}

TEST(GbkToUtf8, RoundTripsAndSurvivesBadBytes) {
  std::string s = "誠\\中文 test";
  EXPECT_EQ(gbk_to_utf8(utf8_to_gbk(std::string_view(s))), s);
  EXPECT_EQ(gbk_to_utf8("a\xD5"), "a\xEF\xBF\xBD");
  EXPECT_EQ(GBK("信息："), utf8_to_gbk(std::string_view("信息：")));
}

TEST(Utf8ToGbk, LargeInputIsNotTruncated) {
  std::string big;
  for (int i = 0; i < 100000; ++i) big += "图x";
  Text g = utf8_to_gbk(std::string_view(big));
  EXPECT_EQ(g.size(), 300000u);
}
