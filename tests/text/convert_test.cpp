#include <gtest/gtest.h>

#include "tests/support/gbk.h"
#include "text/text.h"

using namespace af;
using af::test::G;

TEST(ToText, Formats) {
  EXPECT_EQ(to_text(2.0), "2");
  EXPECT_EQ(to_text(2.5), "2.5");
  EXPECT_EQ(to_text(-17), "-17");
  EXPECT_EQ(to_text(std::int64_t{1} << 40), "1099511627776");
  EXPECT_EQ(to_text(Bytes{'a', 'b', 0, 'c'}), "ab");
  EXPECT_EQ(to_text(Bytes{}), "");
}

TEST(ToInteger, NumbersAndTexts) {
  EXPECT_EQ(to_integer(99.9), 99);
  EXPECT_EQ(to_integer(-1.5), -1);
  EXPECT_EQ(to_integer(G("１２")), 12);
  EXPECT_EQ(to_integer(G("－３")), -3);
  EXPECT_EQ(to_integer("  42abc"), 42);
  EXPECT_EQ(to_integer("abc"), 0);
  EXPECT_EQ(to_integer("99999999999"), 2147483647);
  EXPECT_EQ(to_integer(std::int64_t{0x100000005}), 5);
}

TEST(SmallHelpers, EmptyResultsOutOfRange) {
  EXPECT_EQ(char_from_code(0), "");
  EXPECT_EQ(char_from_code(65), "A");
  EXPECT_EQ(spaces_text(0), "");
  EXPECT_EQ(spaces_text(3), "   ");
  EXPECT_TRUE(blank_bytes(-1).empty());
  EXPECT_EQ(blank_bytes(2), (Bytes{0, 0}));
  EXPECT_TRUE(left_bytes(Bytes{1, 2}, -1).empty());
  EXPECT_EQ(left_bytes(Bytes{1, 2}, 9), (Bytes{1, 2}));
  EXPECT_EQ(bit_or(1, 2, 8), 11);
}
