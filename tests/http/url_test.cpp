#include "http/url.h"

#include <gtest/gtest.h>

using namespace af;

TEST(UrlRules, HostPortAndPath) {
  const char* u = "HTTPS://WWW.Example.COM:8443/Path?q=1";
  EXPECT_EQ(url_host(u, false), "www.example.com");
  EXPECT_EQ(url_host(u, true), "www.example.com:8443");
  EXPECT_EQ(url_port(u), 8443);
  EXPECT_EQ(url_path(u), "/Path?q=1");
  EXPECT_EQ(url_host("Example.com", false), "example.com");
  EXPECT_EQ(url_port("Example.com"), 80);
  EXPECT_EQ(url_path("Example.com"), "/");
  EXPECT_EQ(url_port("https://a.b/"), 443);
  EXPECT_EQ(url_path("http://a.b/x/y.html"), "/x/y.html");
}
