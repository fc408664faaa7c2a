// What a run's exit status says, what the log says about folders, and where requests go.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>

#include "tests/app/cli_fixture.h"
#include "tests/support/counting_proxy.h"
#include "tests/support/loopback.h"

using af::test::Cli;
using af::test::Outcome;
namespace fs = std::filesystem;

namespace {

// A port where nobody listens.
std::string refusing_host_port() {
  int port = 0;
  int fd = af::test::listen_on_loopback(port);
  ::close(fd);
  return "127.0.0.1:" + std::to_string(port);
}

struct StatusCase {
  const char* name;
  // Builds the site, and returns the arguments; may point connections elsewhere.
  std::function<std::vector<std::string>(Cli& t)> setup;
  int status;
  std::string said;    // in stderr
  bool nothing_asked;  // the site saw no request at all
};

void PrintTo(const StatusCase& c, std::ostream* os) {
  *os << c.name;
}

class ExitStatus : public Cli, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(ExitStatus, TellsTheCauseApart) {
  const StatusCase& c = GetParam();
  std::vector<std::string> args = c.setup(*this);
  if (connect_to.empty()) site.start();
  Outcome o = run(args);
  EXPECT_EQ(o.status, c.status) << o.err;
  std::string said = c.said;
  for (size_t at; (at = said.find("DIR")) != std::string::npos;) said.replace(at, 3, dir.string());
  EXPECT_NE(o.err.find(said), std::string::npos) << o.err;
  EXPECT_EQ(o.err.find("准备下载《》"), std::string::npos) << o.err;
  EXPECT_EQ(o.err.find('\\'), std::string::npos) << o.err;
  if (c.nothing_asked) {
    EXPECT_EQ(site.hits(af::community::Community::member_url("m")), 0u);
  }
}

std::vector<std::string> member_with_one_album(Cli& t, const std::vector<std::string>& tail) {
  auto& m = t.site.add_member("m");
  t.site.add_album(m, "一", 1);
  std::vector<std::string> args{"download", "m.pp.163.com"};
  args.insert(args.end(), tail.begin(), tail.end());
  return args;
}

const StatusCase status_cases[] = {
    {"saved",
     [](Cli& t) {
       return member_with_one_album(t, {"--save", t.dir.string()});
     },
     0, "全部下载完毕", false},
    {"save_folder_is_a_file",
     [](Cli& t) {
       std::ofstream(t.dir / "file") << "x";
       return member_with_one_album(t, {"--save", (t.dir / "file" / "sub").string()});
     },
     3, "无法写入保存位置：DIR/file/sub（Not a directory）", true},
    {"save_folder_not_writable",
     [](Cli& t) {
       return member_with_one_album(t, {"--save", "/proc/albumfetch"});
     },
     3, "无法写入保存位置：/proc/albumfetch（", true},
    {"home_page_refused",
     [](Cli& t) {
       t.connect_to = refusing_host_port();
       return std::vector<std::string>{"list", "m.pp.163.com"};
     },
     4, "主页获取失败：http://m.pp.163.com/（连接被拒绝）", false},
    {"album_page_refused",
     [](Cli& t) {
       t.connect_to = refusing_host_port();
       return std::vector<std::string>{"download", "http://pp.163.com/m/pp/7.html", "--save",
                                       t.dir.string()};
     },
     4, "相册页面获取失败：http://pp.163.com/m/pp/7.html（连接被拒绝）", false},
    {"album_page_missing",
     [](Cli& t) {
       auto& m = t.site.add_member("m");
       auto& a = t.site.add_album(m, "一", 1);
       t.site.set_fault(a.url, {0, 404});
       return std::vector<std::string>{"download", a.url, "--save", t.dir.string()};
     },
     1, "相册页面获取失败：", false},
    {"no_albums_to_download",
     [](Cli& t) {
       t.site.add_member("m");
       return std::vector<std::string>{"download", "m.pp.163.com", "--save", t.dir.string()};
     },
     5, "当前未选择任何相册", false},
    {"no_albums_to_list",
     [](Cli& t) {
       t.site.add_member("m");
       return std::vector<std::string>{"list", "m.pp.163.com"};
     },
     5, "共计0个", false},
    {"album_without_pictures",
     [](Cli& t) {
       auto& m = t.site.add_member("m");
       t.site.add_album(m, "空", 0);
       return std::vector<std::string>{"download", "m.pp.163.com", "--save", t.dir.string()};
     },
     5, "全部下载完毕", false},
};

INSTANTIATE_TEST_SUITE_P(Cli, ExitStatus, ::testing::ValuesIn(status_cases),
                         [](const auto& info) { return std::string(info.param.name); });

// A single album page that is not there leaves no folder behind, not even the member's.
TEST_F(Cli, NoFolderBeforeTheAlbumPageAnswers) {
  auto& m = site.add_member("gone");
  auto& a = site.add_album(m, "一", 1);
  site.set_fault(a.url, {0, 404});
  site.start();
  Outcome o = run({"download", a.url, "--save", dir.string()});
  EXPECT_EQ(o.status, 1) << o.err;
  EXPECT_FALSE(fs::exists(dir / "gone")) << o.err;
  EXPECT_NE(o.err.find("准备下载《" + a.number + "》"), std::string::npos) << o.err;
}

struct ProxyCase {
  const char* name;
  std::vector<std::string> env;   // "{proxy}" stands for the proxy's address
  std::vector<std::string> args;  // after the command's own
  bool carried;                   // every request through the proxy, or none
};

void PrintTo(const ProxyCase& c, std::ostream* os) {
  *os << c.name;
}

class Proxy : public Cli, public ::testing::WithParamInterface<ProxyCase> {};

// Home page, album page and pictures all go where the environment or the options say.
TEST_P(Proxy, EveryRequestOrNone) {
  const ProxyCase& c = GetParam();
  auto& m = site.add_member("px");
  auto& a = site.add_album(m, "代理", 2);
  site.start();
  af::test::CountingProxy proxy(site.connect_to());
  auto with_proxy = [&](std::string s) {
    size_t at = s.find("{proxy}");
    return at == std::string::npos ? s : s.replace(at, 7, proxy.url());
  };
  unset = {"no_proxy", "NO_PROXY", "http_proxy", "https_proxy", "all_proxy", "ALL_PROXY"};
  for (const std::string& e : c.env) extra_env.push_back(with_proxy(e));
  std::vector<std::string> args{"download", "px.pp.163.com", "--save", dir.string()};
  for (const std::string& x : c.args) args.push_back(with_proxy(x));
  Outcome o = run(args);
  EXPECT_EQ(o.status, 0) << o.err;
  std::vector<std::string> targets = proxy.targets();
  if (!c.carried) {
    EXPECT_TRUE(targets.empty()) << targets.size() << " requests through the proxy";
    return;
  }
  ASSERT_EQ(targets.size(), 4u) << o.err;
  EXPECT_EQ(targets[0], "GET http://px.pp.163.com/");
  EXPECT_EQ(targets[1], "GET " + a.url);
  EXPECT_EQ(targets[2], "GET " + a.pictures[0].url);
  EXPECT_EQ(targets[3], "GET " + a.pictures[1].url);
}

const ProxyCase proxy_cases[] = {
    {"environment", {"http_proxy={proxy}"}, {}, true},
    {"all_proxy", {"ALL_PROXY={proxy}"}, {}, true},
    {"no_proxy_names_the_hosts",
     {"http_proxy={proxy}", "no_proxy=pp.163.com,ph.126.net"},
     {},
     false},
    {"no_proxy_option", {"http_proxy={proxy}"}, {"--no-proxy"}, false},
    {"proxy_option", {}, {"--proxy", "{proxy}"}, true},
    {"proxy_option_over_no_proxy", {"no_proxy=*"}, {"--proxy={proxy}"}, true},
    {"none", {}, {}, false},
};

INSTANTIATE_TEST_SUITE_P(Cli, Proxy, ::testing::ValuesIn(proxy_cases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
