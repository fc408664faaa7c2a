#include <gtest/gtest.h>

#include "tests/support/gbk.h"
#include "text/text.h"

using namespace af;
using af::test::G;

namespace {
const Text wide_space = "\xA1\xA1";
const Text cheng = "\xD5\x5C";
}  // namespace

TEST(Cutting, CountsBytesAndClampsRanges) {
  EXPECT_EQ(mid_text("abcdef", 5, 10), "ef");
  EXPECT_EQ(mid_text("abc", 4, 1), "");
  EXPECT_EQ(mid_text("abc", 0, 1), "");
  EXPECT_EQ(left_text("abc", 0), "");
  EXPECT_EQ(left_text("abc", 9), "abc");
  EXPECT_EQ(right_text("abc", 2), "bc");
  EXPECT_EQ(right_text("abc", -1), "");
}

TEST(Spaces, AsciiAndFullWidthButNotTabsOrBreaks) {
  EXPECT_EQ(trim_spaces(wide_space + " a b " + wide_space), "a b");
  EXPECT_EQ(trim_spaces("\ta\r\n"), "\ta\r\n");
  EXPECT_EQ(trim_spaces(wide_space + "  " + wide_space), "");
  EXPECT_EQ(trim_spaces("ab\xD5"), "ab");  // dangling lead byte dropped
  // A trail byte A1 is not the start of a full-width space.
  EXPECT_EQ(trim_spaces("\xB0\xA1\xA1x"), "\xB0\xA1\xA1x");
  EXPECT_EQ(remove_spaces("a b" + wide_space + "c"), "abc");
  EXPECT_EQ(remove_spaces("a\tb\n"), "a\tb\n");
  EXPECT_EQ(remove_spaces(G("你 好")), G("你好"));
}

TEST(Replace, LimitsStartsAndLetterCase) {
  EXPECT_EQ(replace_text("aaa", "a", "b", {}, 2, true), "bba");
  EXPECT_EQ(replace_text("aaa", "a", "b", {}, 0, true), "aaa");
  EXPECT_EQ(replace_text("aaa", "a", "b", {}, -1, true), "bbb");
  EXPECT_EQ(replace_text("aaa", "a", "b", 2), "abb");
  EXPECT_EQ(replace_text("SET-COOKIE: x", "set-cookie", "Set-Cookie", {}, {}, false),
            "Set-Cookie: x");
  EXPECT_EQ(replace_text("aaaa", "aa", "a"), "aa");  // never searched again
  EXPECT_EQ(replace_text(cheng + "\\", "\\", "/"), cheng + "/");
  EXPECT_EQ(replace_text("abc", "", "x"), "abc");
}

TEST(Split, EmptyPiecesAndLimits) {
  EXPECT_EQ(split_text("a,b,"), (TextList{"a", "b"}));
  EXPECT_EQ(split_text(",a"), (TextList{"", "a"}));
  EXPECT_EQ(split_text("a,,b"), (TextList{"a", "", "b"}));
  EXPECT_EQ(split_text("a,b,c,d", std::nullopt, 3), (TextList{"a", "b", "c"}));
  EXPECT_EQ(split_text("a;b;", std::string_view(";"), 3), (TextList{"a", "b"}));
  EXPECT_TRUE(split_text("", std::string_view(";")).empty());
  EXPECT_TRUE(split_text("a", std::string_view(";"), 0).empty());
  EXPECT_EQ(split_text("a;b", std::string_view("")), (TextList{"a;b"}));
  EXPECT_EQ(split_text(cheng + "\\x", std::string_view("\\")), (TextList{cheng, "x"}));
  EXPECT_EQ(split_text("u--@@--t--@@--v", std::string_view("--@@--"), 2), (TextList{"u", "t"}));
}

TEST(Lower, OnlyOneByteLetters) {
  EXPECT_EQ(to_lower("AbC"), "abc");
  EXPECT_EQ(to_lower("\xC1\x41Z"), "\xC1\x41z");
}
