// The habits of the command line's peers: several addresses and address lists, JSON
// Lines, options where wget and curl users put them.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>

#include "tests/app/cli_fixture.h"

using af::test::Cli;
using af::test::Outcome;
namespace fs = std::filesystem;

namespace {

// Addresses on the command line, then from the list file; one account at the end.
TEST_F(Cli, SeveralAddressesAndAListFileInTurn) {
  auto& a = site.add_member("aa");
  site.add_album(a, "一", 2);
  auto& b = site.add_member("bb");
  // Copied: adding an album may move the ones before it.
  const std::string single_url = site.add_album(b, "二", 1).url;
  site.add_album(b, "三", 1);
  site.start();
  std::ofstream(dir / "list") << "# to fetch\n\n   bb.pp.163.com  \r\n  # done\n" << single_url;
  Outcome o = run(
      {"download", "aa.pp.163.com", "-i", (dir / "list").string(), "--save", (dir / "s").string()});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(fs::exists(dir / "s" / "aa" / "一1"));
  EXPECT_TRUE(fs::exists(dir / "s" / "bb" / "三2"));
  EXPECT_TRUE(fs::exists(dir / "s" / "bb" / "二"));
  EXPECT_LT(o.err.find("地址 1/3：aa.pp.163.com"), o.err.find("地址 2/3：bb.pp.163.com"));
  EXPECT_NE(o.err.find("全部 3 个地址：保存 5 张，跳过 0 张，失败 0 张"), std::string::npos)
      << o.err;

  Outcome missing = run({"list", "-i", (dir / "none").string()});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("无法读取地址列表"), std::string::npos) << missing.err;
}

// JSON Lines in UTF-8 from standard input's addresses; text that would break a line or
// drive a terminal is escaped.
TEST_F(Cli, ListAndReportAsJsonLines) {
  auto& m = site.add_member("js");
  // Copied: adding an album may move the ones before it.
  const af::community::AlbumEntry one = site.add_album(m, "引号\"反斜\\杠\x1b[2J", 1);
  const af::community::AlbumEntry two = site.add_album(m, "夏", 1);
  site.start();
  stdin_text = "# addresses\njs.pp.163.com\n";
  Outcome l = run({"list", "--json", "-i", "-"});
  EXPECT_EQ(l.status, 0) << l.err;
  EXPECT_EQ(l.out, "{\"number\":1,\"title\":\"引号\\\"反斜\\\\杠\\u001B[2J\",\"address\":\"" +
                       one.url +
                       "\",\"source\":\"js.pp.163.com\"}\n{\"number\":2,\"title\":\"夏\","
                       "\"address\":\"" +
                       two.url + "\",\"source\":\"js.pp.163.com\"}\n");
  stdin_text.clear();

  ASSERT_EQ(run({"download", two.url, "--save", dir.string()}).status, 0);
  ASSERT_EQ(run({"download", "js.pp.163.com", "--select", "2", "--save", dir.string()}).status, 0);
  Outcome r = run({"report", "--json", dir.string()});
  EXPECT_EQ(r.status, 0) << r.err;
  std::string lines;
  for (std::string leaf : {"夏", "夏1"})
    lines += "{\"folder\":\"" + (dir / "js" / leaf).string() + "\",\"page\":\"" + two.url +
             "\",\"saved\":1,\"failed\":0,\"missing\":0,\"same_page\":[\"" +
             (dir / "js" / (leaf == "夏" ? "夏1" : "夏")).string() + "\"]}\n";
  EXPECT_EQ(r.out, lines);
}

struct SameAs {
  const char* name;
  std::vector<std::string> args, plain;  // ADDR stands for the member's address
};

void PrintTo(const SameAs& c, std::ostream* os) {
  *os << c.name;
}

class Habits : public Cli, public ::testing::WithParamInterface<SameAs> {};

// Each spelling does what its plain form does.
TEST_P(Habits, MeanTheSameAsThePlainForm) {
  auto& m = site.add_member("hb");
  site.add_album(m, "一", 0);
  site.start();
  auto fill = [](std::vector<std::string> v) {
    for (auto& a : v)
      if (a == "ADDR") a = "hb.pp.163.com";
    return v;
  };
  Outcome plain = run(fill(GetParam().plain));
  Outcome o = run(fill(GetParam().args));
  EXPECT_EQ(o.status, plain.status) << o.err;
  EXPECT_EQ(o.out, plain.out);
  EXPECT_EQ(o.err, plain.err);
}

const SameAs habit_cases[] = {
    {"combined_short_options", {"list", "-qv", "ADDR"}, {"list", "-q", "-v", "ADDR"}},
    {"global_options_first", {"-q", "--no-proxy", "list", "ADDR"}, {"list", "ADDR", "-q"}},
    {"help_command", {"help", "download"}, {"download", "--help"}},
    {"proxy_value_first",
     {"--proxy", "http://127.0.0.1:9", "list", "ADDR"},
     {"list", "ADDR", "--proxy=http://127.0.0.1:9"}},
};

INSTANTIATE_TEST_SUITE_P(Cli, Habits, ::testing::ValuesIn(habit_cases),
                         [](const auto& info) { return std::string(info.param.name); });

// Without a command, an address is the window's: here, with no display, it says so.
TEST_F(Cli, AnAddressAloneOpensTheWindow) {
  unset = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  site.start();
  Outcome o = run({"--no-proxy", "http://sheying.pp.163.com/"});
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("没有可用的显示"), std::string::npos) << o.err;
  EXPECT_EQ(run({"lsit"}).status, 2);
  EXPECT_EQ(run({"-q"}).err, "albumfetch: 缺少命令; see 'albumfetch --help'\n");
}

// What the program writes to a terminal whose TERM is `term`, up to its end.
std::string on_a_terminal(const std::vector<std::string>& args, const std::string& term,
                          const std::string& connect_to) {
  std::string term_env = "TERM=" + term, connect_env = "ALBUMFETCH_CONNECT_TO=" + connect_to;
  std::vector<std::string> words(args);
  std::vector<char*> argv{const_cast<char*>(ALBUMFETCH_EXE)};
  for (auto& a : words) argv.push_back(a.data());
  argv.push_back(nullptr);
  int master = -1;
  pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    ::putenv(term_env.data());
    ::putenv(connect_env.data());
    ::execv(ALBUMFETCH_EXE, argv.data());
    ::_exit(127);
  }
  std::string out;
  char buf[4096];
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    ssize_t n = ::read(master, buf, sizeof buf);
    if (n <= 0) break;  // the program ended: the terminal hangs up
    out.append(buf, static_cast<size_t>(n));
  }
  if (std::chrono::steady_clock::now() >= deadline) {
    ::kill(pid, SIGKILL);
    ADD_FAILURE() << "the program did not end on its terminal within 60 s";
  }
  af::test::reap(pid, "the program on its terminal to exit");
  ::close(master);
  return out;
}

// A terminal that takes escape sequences gets the progress line; TERM=dumb none at all.
TEST_F(Cli, NoEscapeSequencesForADumbTerminal) {
  auto& m = site.add_member("tty");
  // At least 12 pauses of 50 ms: longer than a progress tick. The album's own address
  // spares the member listing's settling second.
  auto& a = site.add_album(m, "慢", 12);
  site.start();
  std::vector<std::string> args{"download", a.url, "--save", dir.string(), "--overwrite"};
  std::string dumb = on_a_terminal(args, "dumb", site.connect_to());
  EXPECT_NE(dumb.find("---完成相册《慢》下载"), std::string::npos) << dumb;
  EXPECT_EQ(dumb.find('\x1b'), std::string::npos) << dumb;
  std::string xterm = on_a_terminal(args, "xterm", site.connect_to());
  EXPECT_NE(xterm.find("\r\x1b[K"), std::string::npos) << xterm;
}

}  // namespace
