#include <gtest/gtest.h>

#include "albums/album_list.h"
#include "albums/page_text.h"
#include "albums/state.h"
#include "platform/controls.h"
#include "tests/support/case_name.h"
#include "tests/support/gbk.h"
#include "tests/support/road.h"

using namespace af;
using af::test::ByName;
using af::test::G;
using af::test::Road;
using af::test::U;
namespace c = af::ctl;

TEST(Listing, RowsNumberedTitledLinkedAndTicked) {
  Road r;
  auto& m = r.site.add_member("alice");
  r.site.add_album(m, "春天", 2);
  r.site.add_album(m, "", 1);
  r.site.add_album(m, "旅行: 2015/08", 1);
  r.start();
  r.classify("alice.pp.163.com");
  auto list = r.window.control(c::超级列表框1);
  ASSERT_EQ(list.rows.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(list.rows[i].cells[c::col_序号], std::to_string(i + 1));
    EXPECT_TRUE(list.rows[i].checked);
    EXPECT_EQ(list.rows[i].cells[c::col_相册ID], m.albums[i].url);
  }
  EXPECT_EQ(U(list.rows[0].cells[c::col_相册名称]), "春天");
  EXPECT_EQ(list.rows[1].cells[c::col_相册名称], "");
  EXPECT_EQ(list.widths[c::col_相册名称], 540);
  EXPECT_EQ(list.widths[c::col_封面], 0);
  for (int col : {4, 5, 6, 7}) EXPECT_EQ(list.widths[col], 0);
  EXPECT_EQ(U(r.window.control(c::标签_动态).text), "相册获取完毕，共计：3个。");
  EXPECT_NE(r.log_utf8().find(
                "获取相册：春天获取相册：获取相册：旅行: 2015/08-----获取完毕,共计3个\r\n\r\n"),
            std::string::npos);
  EXPECT_EQ(r.window.control(c::进度条1).position, 3);
  EXPECT_EQ(U(r.window.control(c::标签_进度条比例).text), "100%");
  EXPECT_FALSE(r.window.control(c::画板1).visible);
}

TEST(Listing, CoversDecodedIntoTheRowsPictures) {
  Road r;
  auto& m = r.site.add_member("bob");
  r.site.add_album(m, "一", 1);
  r.site.add_album(m, "二", 1);
  r.site.add_album(m, "空", 0);  // its cover address leads nowhere
  r.start();
  r.window.set_checked(c::选择框_有封面, true);
  r.classify("http://bob.pp.163.com/");
  auto list = r.window.control(c::超级列表框1);
  ASSERT_EQ(list.rows.size(), 3u);
  EXPECT_EQ(list.widths[c::col_相册名称], 350);
  EXPECT_EQ(list.widths[c::col_封面], 100);
  ASSERT_TRUE(list.pictures);
  ASSERT_EQ(list.pictures->size(), 2u);
  // Covers arrive in any order; each row points at a cover of its own.
  for (int i : {0, 1}) {
    int p = list.rows[i].picture;
    ASSERT_TRUE(p == 0 || p == 1) << "row " << i << " has picture " << p;
    EXPECT_EQ((*list.pictures)[static_cast<size_t>(p)]->width, 100);
  }
  EXPECT_NE(list.rows[0].picture, list.rows[1].picture);
  EXPECT_EQ(list.rows[2].picture, -1);
}

TEST(Listing, Utf8HomePageIsConvertedAndEmptyPageGivesZero) {
  Road r;
  auto& m = r.site.add_member("carol", true);
  r.site.add_album(m, "秋色", 1);
  r.site.set_home_page("dave", "<html>nothing here</html>");
  r.start();
  r.classify("carol.pp.163.com");
  auto list = r.window.control(c::超级列表框1);
  ASSERT_EQ(list.rows.size(), 1u);
  EXPECT_EQ(U(list.rows[0].cells[c::col_相册名称]), "秋色");

  r.classify("dave.pp.163.com");
  EXPECT_TRUE(r.window.control(c::超级列表框1).rows.empty());
  EXPECT_EQ(U(r.window.control(c::标签_动态).text), "相册获取完毕，共计：0个。");
}

TEST(Listing, UnreachableHomePageCountsAsFailure) {
  Road r;
  r.start();
  r.classify("nobody.pp.163.com");
  EXPECT_GT(failure_count(), 0);
  EXPECT_NE(r.log_utf8().find("主页获取失败"), std::string::npos);
}

struct EncodingCase {
  const char* name;
  std::string headers, body;
  bool utf8;
};
const std::string gbk_xihu = "\xCE\xF7\xBA\xFE";  // 西湖 in GBK: not valid UTF-8
class PageEncoding : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(PageEncoding, FromHeaderThenMetaThenBytes) {
  const EncodingCase& c = GetParam();
  EXPECT_EQ(page_is_utf8(c.headers, Bytes(c.body.begin(), c.body.end())), c.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    PageText, PageEncoding,
    ::testing::Values(
        EncodingCase{"header utf8", "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\n",
                     "", true},
        EncodingCase{"header beats meta", "Content-Type: text/html; charset=GBK\r\n",
                     "<meta charset=\"utf-8\">", false},
        EncodingCase{"meta charset", "Content-Type: text/html\r\n", "<META CHARSET='UTF8'>", true},
        EncodingCase{"meta http equiv", "",
                     "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">",
                     true},
        EncodingCase{"meta gb2312", "Content-Type: text/html\r\n", "<meta charset=\"gb2312\">西湖",
                     false},
        EncodingCase{"bytes are utf8", "Content-Type: text/html\r\n", "<title>西湖 café</title>",
                     true},
        EncodingCase{"bytes are gbk", "", "<title>" + gbk_xihu + "</title>", false},
        EncodingCase{"nothing says", "", "<a>", false}),
    ByName());

struct ReferenceCase {
  const char* name;
  const char* in;
  const char* out;
};
class CharacterReferences : public ::testing::TestWithParam<ReferenceCase> {};

TEST_P(CharacterReferences, Decoded) {
  EXPECT_EQ(U(decode_character_references(G(GetParam().in))), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    PageText, CharacterReferences,
    ::testing::Values(
        ReferenceCase{"amp", "Tom &amp; Jerry", "Tom & Jerry"},
        ReferenceCase{"lt gt quot apos", "&lt;b&gt; &quot;q&quot; &#39;s&#39;", "<b> \"q\" 's'"},
        ReferenceCase{"nbsp", "a&nbsp;b", "a b"},
        ReferenceCase{"numeric", "&#35199;&#x6E56; &#xAC00;&#128247;", "西湖 가📷"},
        // malformed stays as it is
        ReferenceCase{"malformed", "&amp &unknown; &#;", "&amp &unknown; &#;"},
        // no controls, zeros or surrogates
        ReferenceCase{"controls zeros surrogates", "&#27;&#0;&#xD800;", "&#27;&#0;&#xD800;"}),
    ByName());
