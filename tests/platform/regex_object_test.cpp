#include "platform/regex_object.h"

#include <gtest/gtest.h>

#include "tests/support/gbk.h"

using namespace af;
using af::test::G;

TEST(RegexObject, EmptyBeforeSearchAndOutOfRange) {
  RegexObject re;
  EXPECT_EQ(re.get_pattern(), "");
  EXPECT_EQ(re.match_count(), 0);
  EXPECT_EQ(re.submatch_text(1, 1), "");
  ASSERT_TRUE(re.search("(x)", "abc"));
  EXPECT_EQ(re.match_count(), 0);
  EXPECT_EQ(re.submatch_text(1, 1), "");
  EXPECT_EQ(re.get_pattern(), "(x)");
}

TEST(RegexObject, DefaultsIgnoreCaseMultilineGlobal) {
  RegexObject re;
  ASSERT_TRUE(re.search("^a(.)", "Ab\nac\naD"));
  ASSERT_EQ(re.match_count(), 3);
  EXPECT_EQ(re.submatch_text(3, 1), "D");
  EXPECT_EQ(re.match_text(2), "ac");
  EXPECT_EQ(re.submatch_count(), 1);
  EXPECT_EQ(re.submatch_text(0, 1), "");
  EXPECT_EQ(re.submatch_text(1, 2), "");
  ASSERT_TRUE(re.search("^a(.)", "Ab\nac", true, true, false));
  EXPECT_EQ(re.match_count(), 1);
  EXPECT_EQ(re.submatch_text(1, 1), "c");
}

TEST(RegexObject, DotStopsAtLineFeedAndLazyGroups) {
  RegexObject re;
  ASSERT_TRUE(re.search("<(.*?)>", "<a\nb><c><d>"));
  ASSERT_EQ(re.match_count(), 2);
  EXPECT_EQ(re.submatch_text(1, 1), "c");
}

TEST(RegexObject, GbkInAndOutAndQuoteToken) {
  RegexObject re;
  Text subject = G("标题=\"旅行\" 誠\\");
  ASSERT_TRUE(re.search(G("标题=#引号(.*?)#引号"), subject, false, true, true, true));
  ASSERT_EQ(re.match_count(), 1);
  EXPECT_EQ(re.submatch_text(1, 1), G("旅行"));
  ASSERT_TRUE(re.search(G("标题=#引号"), subject));
  EXPECT_EQ(re.match_count(), 0);
  // The trail byte 0x5C of 誠 is not a backslash to the engine.
  ASSERT_TRUE(re.search("\\\\", subject));
  EXPECT_EQ(re.match_count(), 1);
}

TEST(RegexObject, SecondSearchDiscardsFirstAndBadPatternFails) {
  RegexObject re;
  ASSERT_TRUE(re.search("a", "aaa"));
  EXPECT_EQ(re.match_count(), 3);
  EXPECT_FALSE(re.search("(", "aaa"));
  EXPECT_EQ(re.match_count(), 0);
  EXPECT_FALSE(re.hit_limit());
}

TEST(RegexObject, RunawaySearchFailsInsteadOfHanging) {
  RegexObject re;
  std::string subject(40, 'a');
  EXPECT_FALSE(re.search("^(a|aa)+$", subject + "c", true, false));
  EXPECT_TRUE(re.hit_limit());
}

TEST(RegexObject, SubjectEndsWithOneZeroCharacter) {
  RegexObject re;
  ASSERT_TRUE(re.search("c$", "abc", false, false));
  EXPECT_EQ(re.match_count(), 0);
  ASSERT_TRUE(re.search("c.$", "abc", false, false));
  EXPECT_EQ(re.match_count(), 1);
}

TEST(RegexObject, ReplaceAndPosition) {
  RegexObject re;
  ASSERT_TRUE(re.search("b", "abcb"));
  EXPECT_EQ(re.replace("x"), "axcx");
  int pos = 0;
  EXPECT_EQ(re.match_text(2, &pos), "b");
  EXPECT_EQ(pos, 3);
}

TEST(RegexObject, AlbumPatternOnAWholePageOnOneLine) {
  const Text pattern =
      "imgUrl=\"(.*?)\" onerror=\"this.src=(.*?)\"/></a> <div class=\"cover f-trans j-cover\" "
      "></div> <a href=\"(.*?)\" title=\"(.*?)<em>(.*?)</em>";
  Text page;
  const int n = 5000;
  for (int i = 0; i < n; ++i) {
    page += "<span imgUrl=\"decoy" + std::to_string(i) + "\"></span>";
    page += "<a><img imgUrl=\"http://p/" + std::to_string(i) +
            ".jpg\" onerror=\"this.src=x.gif\"/></a> <div class=\"cover f-trans j-cover\" "
            "></div> <a href=\"http://m.pp.163.com/" +
            std::to_string(i) + ".html\" title=\"t\">" + G("相册") + "<em>" + G("名") +
            std::to_string(i) + "</em></a>";
    page += std::string(800, ' ');
  }
  ASSERT_GT(page.size(), 5'000'000u);
  RegexObject re;
  ASSERT_TRUE(re.search(pattern, page));
  ASSERT_EQ(re.match_count(), n);
  EXPECT_EQ(re.submatch_text(n, 5), G("名") + std::to_string(n - 1));
  EXPECT_EQ(re.submatch_text(7, 3), "http://m.pp.163.com/6.html");
}
