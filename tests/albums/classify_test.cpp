#include "albums/classify.h"

#include <gtest/gtest.h>

#include "albums/state.h"
#include "app/commands.h"
#include "platform/controls.h"
#include "tests/support/case_name.h"
#include "tests/support/gbk.h"
#include "tests/support/road.h"
#include "tests/support/wait.h"

using namespace af;
using af::test::ByName;
using af::test::G;
using af::test::Road;
using af::test::U;
using af::test::wait_until;
namespace c = af::ctl;

TEST(Classify, EmptyInputOnlyComplains) {
  Road r;
  r.window.set_text(c::编辑框_号码, "");
  EXPECT_EQ(classify_address(), AddressKind::empty);
  ASSERT_EQ(r.window.messages().size(), 1u);
  EXPECT_EQ(U(r.window.messages()[0]), "您输入的内容为空");
  EXPECT_EQ(r.window.log(), "");
  EXPECT_EQ(r.window.control(c::标签_动态).text, "");
}

TEST(Classify, TableOrderOwnersAndMessages) {
  Road r;
  r.site.set_album_page("http://pp.163.com/zz/pp/1.html", "<title>t</title>");
  r.start();
  set_album_owner("before");
  r.window.set_text(c::编辑框_号码, "   ");
  EXPECT_EQ(classify_address(), AddressKind::unrecognised);
  EXPECT_EQ(entered_address(), "http://");
  EXPECT_EQ(album_owner(), "before");
  EXPECT_EQ(U(r.window.messages().back()), "你输入的格式不正确");
  EXPECT_EQ(U(r.window.control(c::标签_动态).text), "温馨提示：正在获取相册列表...");

  r.window.set_text(c::编辑框_号码, "http://pp.163.com/group/42");
  EXPECT_EQ(classify_address(), AddressKind::group);
  EXPECT_EQ(album_owner(), "42");
  r.window.set_text(c::编辑框_号码, "pp.163.com/group/43/x");
  EXPECT_EQ(classify_address(), AddressKind::group);
  EXPECT_EQ(album_owner(), "43");

  r.window.set_text(c::编辑框_号码, "http://pp.163.com/nohtml/");
  EXPECT_EQ(classify_address(), AddressKind::unrecognised);

  r.window.set_text(c::编辑框_号码, " http://pp.163.com/zz/pp/1.html ");
  EXPECT_EQ(classify_address(), AddressKind::album);
  EXPECT_EQ(album_owner(), "zz");
  EXPECT_EQ(U(r.window.control(c::标签_动态).text),
            "网易摄影图片比较大，下载相对慢，耐心等待哈...");
}

// Either scheme, in any case, is kept; spaces and a trailing "#..." are not.
struct MemberCase {
  const char* name;
  const char* typed;
  const char* entered;
  const char* owner;
};
class MemberAddress : public ::testing::TestWithParam<MemberCase> {};

TEST_P(MemberAddress, KeepsItsSchemeAndNamesTheOwner) {
  const MemberCase& m = GetParam();
  Road r;
  r.start();
  r.window.set_text(c::编辑框_号码, m.typed);
  EXPECT_EQ(classify_address(), AddressKind::member);
  EXPECT_EQ(entered_address(), m.entered);
  EXPECT_EQ(album_owner(), m.owner);
  r.wait_list();
}

INSTANTIATE_TEST_SUITE_P(Classify, MemberAddress,
                         ::testing::Values(MemberCase{"upper case scheme", "HTTP://a.b.pp.163.com",
                                                      "HTTP://a.b.pp.163.com", "a.b"},
                                           MemberCase{"https spaces and hash",
                                                      " https://x.pp.163.com/#albums ",
                                                      "https://x.pp.163.com/", "x"},
                                           MemberCase{"no scheme and hash", "y.pp.163.com#top",
                                                      "http://y.pp.163.com", "y"}),
                         ByName());

TEST(Classify, SecondListingStopsTheFirstBeforeAddingRows) {
  Road r;
  auto& slow = r.site.add_member("slow");
  for (int i = 0; i < 40; ++i) r.site.add_album(slow, "s" + std::to_string(i), 1);
  auto& quick = r.site.add_member("quick");
  r.site.add_album(quick, "q", 1);
  r.start();
  r.window.set_checked(c::选择框_有封面, true);  // covers make the first listing slow
  r.window.set_text(c::编辑框_号码, "slow.pp.163.com");
  classify_address();
  WorkerHandle first = list_worker();
  ASSERT_TRUE(wait_until([&] { return r.window.control(c::超级列表框1).rows.size() >= 2; },
                         "two rows of the first listing"));
  r.window.set_checked(c::选择框_有封面, false);
  r.classify("quick.pp.163.com");
  ASSERT_TRUE(wait_until([&] { return first->finished.load(); }, "the first listing to end"));
  auto list = r.window.control(c::超级列表框1);
  ASSERT_EQ(list.rows.size(), 1u);
  EXPECT_EQ(list.rows[0].cells[c::col_相册名称], "q");
}

// "http://" goes in front only when no scheme is anywhere in the text: an address pasted
// with words before it is classified as it stands.
struct Pasted {
  const char* typed;
  const char* entered;
  AddressKind kind;
  const char* owner;
};
void PrintTo(const Pasted& p, std::ostream* os) {
  *os << p.typed;
}
class PastedAddress : public ::testing::TestWithParam<Pasted> {};

TEST_P(PastedAddress, IsClassifiedAsItStands) {
  const Pasted& p = GetParam();
  Road r;
  r.start();
  r.classify(p.typed);
  EXPECT_EQ(U(entered_address()), p.entered);
  EXPECT_EQ(kind_of_address(entered_address()), p.kind);
  EXPECT_EQ(U(album_owner()), p.owner);
}

INSTANTIATE_TEST_SUITE_P(
    Classify, PastedAddress,
    ::testing::Values(Pasted{"地址：http://sheying.pp.163.com/", "地址：http://sheying.pp.163.com/",
                             AddressKind::member, "sheying"},
                      Pasted{"看看 HTTPS://Ab.pp.163.com", "看看 HTTPS://Ab.pp.163.com",
                             AddressKind::member, "Ab"},
                      Pasted{"sheying.pp.163.com/", "http://sheying.pp.163.com/",
                             AddressKind::member, "sheying"},
                      Pasted{"群：http://pp.163.com/group/7/", "群：http://pp.163.com/group/7/",
                             AddressKind::group, "7"}),
    [](const ::testing::TestParamInfo<Pasted>& info) {
      return "case" + std::to_string(info.index);
    });

// A single album pasted with words before it is fetched from its scheme on.
TEST(Classify, PastedAlbumPageIsFetchedFromItsScheme) {
  Road r;
  auto& m = r.site.add_member("zz");
  auto& a = r.site.add_album(m, "单张", 1, 16, 16);
  r.start();
  EXPECT_EQ(r.classify("相册：" + a.url), static_cast<int>(AddressKind::album));
  EXPECT_EQ(album_owner(), "zz");
  EXPECT_TRUE(std::filesystem::exists(r.save / "zz" / "单张" / ("1" + a.pictures[0].id + ".jpg")))
      << r.log_utf8();
}
