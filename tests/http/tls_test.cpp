// Certificate checks and the system proxy. The test CA is named through
// ALBUMFETCH_CA_BUNDLE, as curl takes CURL_CA_BUNDLE.
#include <gtest/gtest.h>
#include <httplib.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "http/fetch.h"
#include "tests/support/scripted_server.h"
#include "tests/support/wait.h"

using namespace af;
namespace fs = std::filesystem;

namespace {

std::string str(const Bytes& b) {
  return std::string(b.begin(), b.end());
}

class Tls : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = fs::temp_directory_path() / ("af-tls-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string cmd =
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj "
        "/CN=127.0.0.1"
        " -addext subjectAltName=IP:127.0.0.1 -keyout '" +
        (dir / "key.pem").string() + "' -out '" + (dir / "cert.pem").string() + "' 2>/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  static void TearDownTestSuite() { fs::remove_all(dir); }

  void SetUp() override {
    server =
        std::make_unique<httplib::SSLServer>((dir / "cert.pem").c_str(), (dir / "key.pem").c_str());
    server->Get("/", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("secure", "text/plain");
    });
    std::string down = plain.base() + "/";
    server->Get("/down",
                [down](const httplib::Request&, httplib::Response& r) { r.set_redirect(down); });
    // One request a connection, and no lingering on a handshake the client gave up.
    server->set_keep_alive_max_count(1);
    server->set_read_timeout(1, 0);
    port = server->bind_to_any_port("127.0.0.1");
    thread = std::thread([this] { server->listen_after_bind(); });
    ASSERT_TRUE(
        af::test::wait_until([&] { return server->is_running(); }, "the TLS server to listen"));
  }
  void TearDown() override {
    server->stop();
    thread.join();
    ::unsetenv("ALBUMFETCH_CA_BUNDLE");
  }
  std::string base() const { return "https://127.0.0.1:" + std::to_string(port); }

  static fs::path dir;
  test::ScriptedServer plain{
      [](size_t, const std::string&) { return test::answer("200 OK", "plain"); }};
  std::unique_ptr<httplib::SSLServer> server;
  std::thread thread;
  int port = 0;
};
fs::path Tls::dir;

}  // namespace

TEST_F(Tls, CheckedRoutinesRefuseUnknownCertificatesAndDowngrades) {
  EXPECT_EQ(str(inet_fetch(base() + "/")), "");
  EXPECT_EQ(str(read_url(base() + "/")), "");
  EXPECT_EQ(str(http_fetch(base() + "/")), "secure");  // accepts certificate errors

  ::setenv("ALBUMFETCH_CA_BUNDLE", (dir / "cert.pem").c_str(), 1);
  EXPECT_EQ(str(inet_fetch(base() + "/")), "secure");
  EXPECT_EQ(str(read_url(base() + "/")), "secure");
  EXPECT_EQ(str(inet_fetch(base() + "/down")), "");
  EXPECT_EQ(str(read_url(base() + "/down")), "");
  EXPECT_EQ(str(http_fetch(base() + "/down")), "plain");
}

// Every request without a proxy of its own honours the environment, as curl does; a
// proxy named by the caller is used whatever no_proxy says.
TEST(SystemProxy, EveryRequestHonoursTheEnvironment) {
  test::ScriptedServer proxy(
      [](size_t, const std::string&) { return test::answer("200 OK", "via proxy"); });
  test::ScriptedServer named(
      [](size_t, const std::string&) { return test::answer("200 OK", "via named"); });
  ::unsetenv("no_proxy");
  ::setenv("http_proxy", proxy.base().c_str(), 1);
  EXPECT_EQ(str(read_url("http://far.example/cover.jpg")), "via proxy");
  EXPECT_EQ(str(http_fetch("http://far.example/page")), "via proxy");
  EXPECT_EQ(str(inet_fetch("http://far.example/home")), "via proxy");
  ::setenv("no_proxy", "far.example", 1);
  EXPECT_EQ(str(http_fetch("http://far.example/named", 0, {}, nullptr, nullptr, nullptr, nullptr,
                           nullptr, false, {}, named.host_port())),
            "via named");
  ::unsetenv("http_proxy");
  ::setenv("no_proxy", "*", 1);
  auto reqs = proxy.requests();
  ASSERT_EQ(reqs.size(), 3u);
  EXPECT_EQ(reqs[0].rfind("GET http://far.example/cover.jpg HTTP/1.0\r\n", 0), 0u);
  EXPECT_EQ(reqs[1].rfind("GET http://far.example/page HTTP/1.1\r\n", 0), 0u);
  EXPECT_EQ(reqs[2].rfind("GET http://far.example/home HTTP/1.1\r\n", 0), 0u);
  ASSERT_EQ(named.requests().size(), 1u);
}
