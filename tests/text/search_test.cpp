#include <gtest/gtest.h>

#include "tests/support/gbk.h"
#include "text/text.h"

using namespace af;
using af::test::G;

namespace {
const Text cheng = "\xD5\x5C";  // 誠: its trail byte is a backslash
}

TEST(FindText, PositionsStartsAndEmptySought) {
  EXPECT_EQ(find_text("abcabc", "c", 4), 6);
  EXPECT_EQ(find_text("abc", "c", 4), -1);
  EXPECT_EQ(find_text("abc", ""), 1);
  EXPECT_EQ(find_text("", ""), -1);
  EXPECT_EQ(find_text("abc", "", 9), -1);
  EXPECT_EQ(find_text("abcabc", "a", 0), 1);
  EXPECT_EQ(find_text("abcabc", "a", -7), 1);
  EXPECT_EQ(find_text("abc", "abcd"), -1);
}

TEST(FindText, LetterCaseOnlyWhenAsked) {
  EXPECT_EQ(find_text("ABC", "b"), -1);
  EXPECT_EQ(find_text("ABC", "b", {}, true), 2);
}

TEST(FindText, NeverMatchesInsideATwoByteCharacter) {
  EXPECT_EQ(find_text(cheng, "\\"), -1);
  EXPECT_EQ(find_text(cheng + "\\", "\\"), 3);
  EXPECT_EQ(find_text(cheng + "\\", "\\", {}, true), 3);
  // A start in the middle of a character still steps from that byte.
  EXPECT_EQ(find_text(cheng, "\\", 2), 1 + 1);
}

TEST(FindText, DanglingLeadByteEndsTheWalk) {
  EXPECT_EQ(find_text("ab\xD5", "\xD5"), -1);
  EXPECT_EQ(find_text("ab\xD5", "b"), 2);
}

TEST(FindTextLast, MatchMustEndBeforeStart) {
  EXPECT_EQ(find_text_last("a.b.c", "."), 4);
  EXPECT_EQ(find_text_last("a.b.c", ".", 4), 2);
  EXPECT_EQ(find_text_last("a.b.c", ".", 1), -1);
  EXPECT_EQ(find_text_last("a.b.c", "", 1), -1);
  EXPECT_EQ(find_text_last(cheng + "\\" + cheng, "\\"), 3);
}

TEST(TextBetween, MarkersAndQuoteMarker) {
  EXPECT_EQ(text_between("<b>x</b>", "<b>", "</b>"), "x");
  EXPECT_EQ(text_between("<b>x</b>", "<i>", "</b>"), "");
  EXPECT_EQ(text_between("<b>x", "<b>", "</b>"), "");
  EXPECT_EQ(text_between("<b></b>", "<b>", "</b>"), "");
  Text marker = Text("href=") + Text(quote_marker);
  EXPECT_EQ(text_between("<a href=\"u\">", marker, quote_marker), "u");
  // The end marker is searched behind the begin marker, not from the start.
  EXPECT_EQ(text_between("]x[y]", "[", "]"), "y");
  EXPECT_EQ(text_between("a<B>v</b>", "<b>", "</B>", {}, true), "v");
}
