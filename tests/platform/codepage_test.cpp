#include "platform/codepage.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "tests/support/case_name.h"

using namespace af;

TEST(Utf8ToGbk, ConvertsAndMarksBrokenBytes) {
  EXPECT_EQ(utf8_to_gbk(std::string_view("网易摄影")), "\xCD\xF8\xD2\xD7\xC9\xE3\xD3\xB0");
  EXPECT_EQ(utf8_to_gbk(Bytes{}), "");
  // Broken UTF-8 becomes "?" and the rest survives.
  EXPECT_EQ(utf8_to_gbk(std::string_view("a\xE7\xBD"
                                         "b\xFF"
                                         "c")),
            "a?b?c");
  EXPECT_EQ(utf8_to_gbk(std::string_view("ab\0cd", 5)), "ab");
}

// Korean, accented Latin and emoji have no GBK form; GB18030 holds them losslessly.
struct LosslessCase {
  const char* name;
  std::string utf8;
};
class BeyondGbk : public ::testing::TestWithParam<LosslessCase> {};

TEST_P(BeyondGbk, RoundTripsLosslessly) {
  const std::string& s = GetParam().utf8;
  Text t = utf8_to_gbk(std::string_view(s));
  EXPECT_EQ(t.find('?'), Text::npos);
  EXPECT_EQ(gbk_to_utf8(t), s);
}

INSTANTIATE_TEST_SUITE_P(Utf8ToGbk, BeyondGbk,
                         ::testing::Values(LosslessCase{"korean", "사진"},
                                           LosslessCase{"accented latin", "öße ñ"},
                                           LosslessCase{"emoji",
                                                        "a\xF0\x9F\x98\x80"
                                                        "b"},
                                           LosslessCase{"euro", "€"}),
                         af::test::ByName());

TEST(GbkToUtf8, RoundTripsAndSurvivesBadBytes) {
  std::string s = "誠\\中文 test";
  EXPECT_EQ(gbk_to_utf8(utf8_to_gbk(std::string_view(s))), s);
  EXPECT_EQ(gbk_to_utf8("a\xD5"), "a\xEF\xBF\xBD");
  // 0x80 and 0xFF lead nothing: the byte after them survives.
  EXPECT_EQ(gbk_to_utf8("\x80/\xFF\\"), "\xEF\xBF\xBD/\xEF\xBF\xBD\\");
  EXPECT_EQ(GBK("信息："), utf8_to_gbk(std::string_view("信息：")));
}

TEST(Utf8ToGbk, LargeInputIsNotTruncated) {
  std::string big;
  for (int i = 0; i < 100000; ++i) big += "图x";
  Text g = utf8_to_gbk(std::string_view(big));
  EXPECT_EQ(g.size(), 300000u);
}

// Every system text of the sources is the same in GB18030 as it was in GBK.
TEST(SystemTexts, UnchangedByTheCodePage) {
  size_t seen = 0;
  for (auto& e : std::filesystem::recursive_directory_iterator(ALBUMFETCH_SOURCE_DIR)) {
    std::string ext = e.path().extension().string();
    std::string rel = e.path().string().substr(std::strlen(ALBUMFETCH_SOURCE_DIR));
    if ((ext != ".cpp" && ext != ".h") || rel.rfind("/build", 0) == 0 || rel.rfind("/.", 0) == 0)
      continue;
    std::ifstream in(e.path());
    std::string src((std::istreambuf_iterator<char>(in)), {});
    for (size_t p = src.find("GBK(\""); p != std::string::npos; p = src.find("GBK(\"", p + 1)) {
      size_t end = src.find('"', p + 5);
      std::string lit = src.substr(p + 5, end - p - 5);
      iconv_t cd = iconv_open("GBK", "UTF-8");
      std::string gbk(lit.size() * 2 + 4, '\0');
      char* in_p = lit.data();
      char* out_p = gbk.data();
      size_t in_left = lit.size(), out_left = gbk.size();
      bool ok = iconv(cd, &in_p, &in_left, &out_p, &out_left) != static_cast<size_t>(-1);
      iconv_close(cd);
      gbk.resize(gbk.size() - out_left);
      EXPECT_TRUE(ok) << rel << ": " << lit;
      EXPECT_EQ(utf8_to_gbk(std::string_view(lit)), gbk) << rel << ": " << lit;
      ++seen;
    }
  }
  EXPECT_GT(seen, 50u);
}
