#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/community/community.h"
#include "download/record.h"
#include "platform/files.h"
#include "tests/app/cli_fixture.h"
#include "tests/support/case_name.h"
#include "tests/support/road.h"
#include "tests/support/scripted_server.h"
#include "tests/support/wait.h"

using af::community::Community;
using af::test::ByName;
using af::test::Cli;
using af::test::Outcome;
using af::test::read_file;
using af::test::reap;
using af::test::wait_until;
namespace fs = std::filesystem;

namespace {

std::string str(const af::Bytes& b) {
  return std::string(b.begin(), b.end());
}

}  // namespace

TEST_F(Cli, ListPrintsOneLinePerAlbum) {
  auto& m = site.add_member("lin");
  site.add_album(m, "春天", 1);
  site.add_album(m, "夏天", 1);
  site.start();
  Outcome r = run({"list", "lin.pp.163.com"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "1\t春天\t" + m.albums[0].url + "\n2\t夏天\t" + m.albums[1].url + "\n");
  EXPECT_NE(r.err.find("获取完毕,共计2个"), std::string::npos);
}

TEST_F(Cli, DownloadSelectedAlbumsWhereTheWindowWouldPutThem) {
  auto& m = site.add_member("dl");
  site.add_album(m, "一", 2);
  site.add_album(m, "二: x", 3);
  site.add_album(m, "三", 1);
  site.start();
  Outcome r =
      run({"download", "dl.pp.163.com", "--save", (dir / "save").string(), "--select", "2-3"});
  EXPECT_EQ(r.status, 0) << r.err;
  fs::path album = dir / "save" / "dl" / "二x1";
  for (size_t i = 0; i < 3; ++i) {
    auto& p = m.albums[1].pictures[i];
    EXPECT_EQ(read_file(album / (std::to_string(i + 1) + p.id + ".jpg")), str(p.jpeg));
  }
  EXPECT_TRUE(fs::exists(dir / "save" / "dl" / "三2"));
  EXPECT_FALSE(fs::exists(dir / "save" / "dl" / "一1"));
  EXPECT_NE(r.err.find("全部下载完毕"), std::string::npos);
}

TEST_F(Cli, SingleAlbumAndFailuresAndBadInput) {
  auto& m = site.add_member("one");
  auto& a = site.add_album(m, "独", 2);
  site.set_fault(a.pictures[1].url, {0, 404});
  site.start();
  Outcome r = run({"download", a.url, "--save", dir.string()});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_TRUE(fs::exists(dir / "one" / "独" / ("1" + a.pictures[0].id + ".jpg")));
  EXPECT_NE(r.err.find("图片下载失败"), std::string::npos);

  EXPECT_EQ(run({"list", ""}).status, 2);
  Outcome bad = run({"list", "example.com"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("你输入的格式不正确"), std::string::npos);
  Outcome group = run({"list", "pp.163.com/group/7/"});
  EXPECT_EQ(group.status, 2);
  EXPECT_NE(group.err.find("小组"), std::string::npos);
  EXPECT_EQ(run({"download", "x.pp.163.com", "--select", "3-1"}).status, 2);
  EXPECT_EQ(run({"frobnicate"}).status, 2);
  Outcome v = run({"--version"});
  EXPECT_EQ(v.out, "albumfetch " ALBUMFETCH_VERSION "\n");
}

// Bad usage: one line on stderr that points to the help, nothing on stdout, status 2.
struct UsageCase {
  const char* name;
  std::vector<std::string> args;
};
class CliUsage : public Cli, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(CliUsage, ErrorIsOneLineThatPointsToTheHelp) {
  Outcome o = run(GetParam().args);
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
  EXPECT_NE(o.err.find("see 'albumfetch --help'"), std::string::npos) << o.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliUsage,
    ::testing::Values(UsageCase{"download save without folder", {"download", "--save"}},
                      UsageCase{"download unknown option", {"download", "x.pp.163.com", "--bogus"}},
                      UsageCase{"download select zero", {"download", "x", "--select=0"}},
                      UsageCase{"download select open range", {"download", "x", "--select", "1-"}},
                      UsageCase{"list without address", {"list"}},
                      UsageCase{"report without folder", {"report"}},
                      UsageCase{"demo port zero", {"demo", "--port", "0"}},
                      UsageCase{"unknown command", {"frobnicate"}}),
    ByName());

class CliHelp : public Cli, public ::testing::WithParamInterface<std::string> {};

TEST_P(CliHelp, IsPerCommand) {
  const std::string& cmd = GetParam();
  Outcome h = run({cmd, "--help"});
  EXPECT_EQ(h.status, 0);
  EXPECT_EQ(h.out.rfind("用法: albumfetch " + cmd, 0), 0u) << h.out;
}

INSTANTIATE_TEST_SUITE_P(Cli, CliHelp, ::testing::Values("list", "download", "report", "demo"),
                         [](const auto& info) { return info.param; });

// Without a usable display the window says so in one line and exits 1; it never aborts.
struct DisplayCase {
  const char* name;
  std::string display;  // empty: none set
};
class CliNoDisplay : public Cli, public ::testing::WithParamInterface<DisplayCase> {};

TEST_P(CliNoDisplay, IsOneLineNotAnAbort) {
  unset = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  if (!GetParam().display.empty()) extra_env.push_back("DISPLAY=" + GetParam().display);
  Outcome o = run({});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err,
            "albumfetch: 没有可用的显示（请设置 DISPLAY，或使用 albumfetch list / download）\n");
}

INSTANTIATE_TEST_SUITE_P(Cli, CliNoDisplay,
                         ::testing::Values(DisplayCase{"none", ""},
                                           DisplayCase{"unreachable", ":9876"}),
                         ByName());

TEST_F(Cli, SelectionBeyondTheListAndListingOneAlbum) {
  auto& m = site.add_member("few");
  site.add_album(m, "一", 1);
  auto& two = site.add_album(m, "二 &amp; 三", 1);
  site.start();
  for (std::string list : {"2,9", "1-200000"}) {
    Outcome o = run({"download", "few.pp.163.com", "--select=" + list, "--save=" + dir.string()});
    EXPECT_EQ(o.status, 2);
    EXPECT_LT(o.err.size(), 1000u);  // the listing's log and one line, not a line a row
    EXPECT_NE(o.err.find("个相册（只有第 1 到 2 个）"), std::string::npos) << o.err;
  }
  EXPECT_FALSE(fs::exists(dir / "few"));
  Outcome one = run({"list", two.url, "-q"});
  EXPECT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(one.out, "1\t二 & 三\t" + two.url + "\n");
  EXPECT_EQ(one.err, "");
  EXPECT_EQ(site.hits(two.pictures[0].url), 0u);  // nothing downloaded
}

TEST_F(Cli, CtrlCStopsCleanly) {
  auto& m = site.add_member("big");
  auto& a = site.add_album(m, "大", 200, 64, 64);
  // Picture 5 never finishes, so the interrupt comes after four whole pictures, however
  // fast the machine.
  site.set_fault(a.pictures[4].url, {.stall = true});
  site.start();
  real_time = true;  // so that the interrupt lands while the work goes on
  fs::path album = dir / "big" / "大";
  auto four_saved = [&] {
    size_t n = 0;
    std::error_code ec;
    for (fs::directory_iterator it(album, ec), end; !ec && it != end; it.increment(ec))
      n += it->path().extension() == ".jpg";
    return n >= 4;
  };
  Outcome r = run({"download", a.url, "--save", dir.string()}, four_saved);
  EXPECT_EQ(r.status, 130) << r.err;
  size_t files = 0;
  for (auto& e : fs::recursive_directory_iterator(dir)) {
    if (!e.is_regular_file() || e.path().parent_path() == dir) continue;
    ++files;
    std::string name = e.path().filename().string();
    EXPECT_FALSE(af::is_temp_name(name)) << name;
  }
  EXPECT_GT(files, 0u);
  EXPECT_LT(files, 200u);
  // Every file there is complete.
  for (size_t i = 0; i < a.pictures.size(); ++i) {
    fs::path f = dir / "big" / "大" / (std::to_string(i + 1) + a.pictures[i].id + ".jpg");
    if (fs::exists(f)) {
      EXPECT_EQ(read_file(f), str(a.pictures[i].jpeg));
    }
  }
}

#include "app/community/demo.h"
#include "download/names.h"
#include "platform/codepage.h"

// The demo served by one process, downloaded by another: every album and every picture.
TEST(Demo, ServeThenDownloadEverything) {
  fs::path dir = fs::temp_directory_path() / ("af_demo_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  pid_t server = ::fork();
  if (server == 0) {
    ::dup2(out[1], 1);
    ::close(out[0]);
    char* argv[] = {const_cast<char*>(ALBUMFETCH_EXE), const_cast<char*>("demo"),
                    const_cast<char*>("--serve"), nullptr};
    ::execv(ALBUMFETCH_EXE, argv);
    ::_exit(127);
  }
  ::close(out[1]);
  std::string line;
  char ch = 0;
  EXPECT_TRUE(wait_until(
      [&] {
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, 10) <= 0) return false;
        if (::read(out[0], &ch, 1) != 1) return true;  // closed: no more to come
        if (ch != '\n') line += ch;
        return ch == '\n';
      },
      "the demo server's first line"));
  ::close(out[0]);
  ASSERT_EQ(line.rfind("ALBUMFETCH_CONNECT_TO=", 0), 0u) << line;
  std::string env = line.substr(0, line.find(' '));
  std::string address = line.substr(line.find(' ') + 1);
  EXPECT_EQ(address, "http://sheying.pp.163.com/");
  std::string cmd = "timeout 120 env " + env + " ALBUMFETCH_DRIVEN_CLOCK=1 " + ALBUMFETCH_EXE +
                    " download " + address + " --save " + dir.string() + " > /dev/null 2>&1";
  int status = std::system(cmd.c_str());
  EXPECT_NE(WEXITSTATUS(status), 124) << "the download from the demo did not end in 120 s";
  ::kill(server, SIGINT);
  int st = reap(server, "the demo server to end on SIGINT");
  EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0);
  ASSERT_EQ(WEXITSTATUS(status), 0);

  // The demo's albums are generated the same way every time: rebuild them to compare.
  Community expected;
  auto& member = af::community::populate_demo(expected);
  size_t folders = 0, files = 0;
  for (auto& e : fs::directory_iterator(dir / "sheying")) folders += e.is_directory();
  size_t records = 0;
  for (auto& e : fs::recursive_directory_iterator(dir)) {
    bool hidden = e.path().filename().string()[0] == '.';
    files += e.is_regular_file() && !hidden;
    records += e.path().filename() == ".albumfetch-record";
  }
  EXPECT_EQ(folders, member.albums.size());
  EXPECT_EQ(records, member.albums.size());
  size_t total = 0;
  for (size_t j = 0; j < member.albums.size(); ++j) {
    auto& a = member.albums[j];
    std::string title = af::gbk_to_utf8(
        af::clean_title(af::utf8_to_gbk(std::string_view(a.title)) + std::to_string(j + 1)));
    for (size_t i = 0; i < a.pictures.size(); ++i, ++total) {
      fs::path f = dir / "sheying" / title / (std::to_string(i + 1) + a.pictures[i].id + ".jpg");
      ASSERT_TRUE(fs::exists(f)) << f;
      EXPECT_EQ(read_file(f), str(a.pictures[i].jpeg));
    }
  }
  EXPECT_EQ(files, total);
  fs::remove_all(dir);
}

// Lengths a server claims are never allocated: under a tight address-space limit a
// 4 GB Content-Length is a logged failure, not an abort.
TEST_F(Cli, ClaimedLengthsNeverAbortUnderAMemoryLimit) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
#endif
  af::test::ScriptedServer srv([](size_t, const std::string& request) {
    if (request.rfind("GET /m/pp/1.html", 0) == 0)
      return af::test::answer(
          "200 OK",
          "<title>t</title><script>window.pic960List = {list:["
          "{seqindex:0,pictureId:1,url:'http://img.example/1.jpg',title:''}]};</script>");
    return af::test::Reply{{{"HTTP/1.1 200 OK\r\nContent-Length: 4000000000\r\n\r\n\xFF\xD8", 0}}};
  });
  connect_to = srv.host_port();
  memory_limit = rlim_t{1} << 30;
  Outcome o = run({"download", "http://pp.163.com/m/pp/1.html", "--save", dir.string()});
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("超过大小上限"), std::string::npos) << o.err;
  EXPECT_EQ(o.err.find("terminate"), std::string::npos);
}

// Page text never drives the terminal: escape sequences in titles are shown, not obeyed.
TEST_F(Cli, ListShowsControlCharactersEscaped) {
  auto& m = site.add_member("esc");
  site.add_album(m,
                 "a\x1b]0;owned\x07"
                 "b\x1b[2J",
                 0);
  site.start();
  Outcome o = run({"list", "esc.pp.163.com"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out.find('\x1b'), std::string::npos);
  EXPECT_NE(o.out.find("a\\x1B]0;owned\\x07b\\x1B[2J"), std::string::npos) << o.out;
  EXPECT_EQ(o.err.find('\x1b'), std::string::npos);
}

// Killed at any moment, the record proves exactly the pictures that are whole on disk, and
// the next run fetches exactly the others.
class CliKilled : public Cli, public ::testing::WithParamInterface<size_t> {};

TEST_P(CliKilled, RunResumesWithExactlyTheMissingPictures) {
  const size_t kill_at = GetParam();
  auto& m = site.add_member("kill");
  auto& a = site.add_album(m, "k", 16, 16, 16);
  site.start();
  fs::path folder = dir / "kill" / "k1";
  auto pictures_in = [&] {
    size_t n = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
      n += it->path().extension() == ".jpg" && !af::is_temp_name(it->path().filename().string());
    return n;
  };
  real_time = true;  // the kill lands between pictures, not after the last
  pid_t pid = spawn({"download", "kill.pp.163.com", "--save", dir.string()});
  real_time = false;
  EXPECT_TRUE(wait_until([&] { return pictures_in() >= kill_at; },
                         std::to_string(kill_at) + " picture(s) before the kill"));
  ::kill(pid, SIGKILL);
  reap(pid, "the killed program to be reaped");
  auto record = af::read_record(af::gbk_path(folder));
  ASSERT_TRUE(record.has_value()) << kill_at;
  std::vector<bool> proven;
  for (auto& e : record->entries) {
    proven.push_back(af::proven_saved(af::gbk_path(folder), e));
    size_t i = proven.size() - 1;
    fs::path f = folder / (std::to_string(i + 1) + a.pictures[i].id + ".jpg");
    EXPECT_EQ(proven.back(), fs::exists(f) && read_file(f) == str(a.pictures[i].jpeg))
        << kill_at << " " << i;
  }
  ASSERT_EQ(proven.size(), a.pictures.size());
  std::vector<size_t> before;
  for (auto& p : a.pictures) before.push_back(site.hits(p.url));
  Outcome o = run({"download", "kill.pp.163.com", "--save", dir.string()});
  EXPECT_EQ(o.status, 0) << o.err;
  for (size_t i = 0; i < a.pictures.size(); ++i)
    EXPECT_EQ(site.hits(a.pictures[i].url) - before[i], proven[i] ? 0u : 1u) << kill_at << " " << i;
}

INSTANTIATE_TEST_SUITE_P(Cli, CliKilled, ::testing::Values(1u, 6u, 12u),
                         [](const auto& info) { return "after_" + std::to_string(info.param); });

// A save folder named in GBK bytes is the user's folder, and report finds what is in it.
TEST_F(Cli, ASaveFolderThatIsNotUtf8IsUsedAsItIs) {
  auto& m = site.add_member("gb");
  site.add_album(m, "a", 2);
  site.start();
  fs::path save = dir / "\xD5\xD5\xC6\xAC";  // 照片 in GBK
  fs::create_directories(save);
  Outcome r = run({"download", "gb.pp.163.com", "--save=" + save.string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 3) << "no look-alike sibling";
  EXPECT_EQ(std::distance(fs::directory_iterator(save / "gb" / "a1"), {}), 3);
  Outcome rep = run({"report", dir.string()});
  EXPECT_EQ(rep.status, 0) << rep.err;
  EXPECT_NE(rep.err.find("1 个相册，0 个不完整"), std::string::npos) << rep.err;
}

// Two runs at once: neither fails, each album is downloaded by one of them, and the
// records match the files.
TEST_F(Cli, TwoRunsAtOnceShareTheWork) {
  auto& m = site.add_member("two");
  for (int j = 0; j < 4; ++j) site.add_album(m, "a" + std::to_string(j), 6, 16, 16);
  site.start();
  std::vector<std::string> args{"download", "two.pp.163.com", "--save", dir.string()};
  pid_t first = spawn(args);
  pid_t second = spawn(args);
  for (pid_t pid : {first, second}) {
    int st = reap(pid, "both runs to end");
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << "status " << st;
  }
  Outcome rep = run({"report", dir.string()});
  EXPECT_EQ(rep.status, 0) << rep.out << rep.err;
  EXPECT_NE(rep.err.find("4 个相册，0 个不完整"), std::string::npos) << rep.err;
  size_t hits = 0;
  for (auto& a : m.albums)
    for (auto& p : a.pictures) hits += site.hits(p.url);
  EXPECT_EQ(hits, 24u) << "every picture fetched once";
}
