#include "http/headers.h"

#include <gtest/gtest.h>

using namespace af;

TEST(CompleteRequestHeaders, EmptyBlockGetsTheFiveDefaultLines) {
  Text block;
  complete_request_headers(block, "http://u/", true);
  EXPECT_EQ(block,
            "Accept: */*\r\nReferer: http://u/\r\nAccept-Language: zh-cn\r\n"
            "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"
            "Content-Type: application/x-www-form-urlencoded");
  Text no_agent;
  complete_request_headers(no_agent, "U", false);
  EXPECT_EQ(no_agent.find("User-Agent"), Text::npos);
}

TEST(CompleteRequestHeaders, SearchesAreCaseSensitiveSubstrings) {
  Text block = "X-Accept: 1";
  complete_request_headers(block, "U", false);
  EXPECT_EQ(block.find("\r\nAccept: */*"), Text::npos);
  Text lower = "accept: text/html";
  complete_request_headers(lower, "U", false);
  EXPECT_NE(lower.find("\r\nAccept: */*"), Text::npos);
  Text agent = "User-Agent: X\r\n";
  complete_request_headers(agent, "U", false);
  EXPECT_EQ(agent.rfind("User-Agent: X\r\n\r\nAccept: */*", 0), 0u);
}

TEST(HeaderLine, NameAndValue) {
  EXPECT_EQ(header_name(" Host : a:b "), "Host");
  EXPECT_EQ(header_value(" Host : a:b "), "a:b");
  EXPECT_EQ(header_name("nocolon"), "");
  EXPECT_EQ(header_value("nocolon"), "");
  EXPECT_EQ(header_value("X:\tv"), "\tv");
}

TEST(Cookies, WorkedExample) {
  Text cookies = "a=1; b=2; c=3";
  Text block = normalise_set_cookie(
      "HTTP/1.1 200 OK\r\nset-cookie: b=20; path=/\r\nSET-COOKIE: c=deleted; "
      "expires=yesterday\r\nSet-Cookie: d=4\r\n\r\n");
  Text fresh = extract_set_cookies(block);
  EXPECT_EQ(fresh, "b=20; c=deleted; d=4");
  EXPECT_EQ(merge_cookies(cookies, fresh), "b=20; d=4; a=1");
  EXPECT_EQ(cookies, "b=20; d=4; a=1");
  EXPECT_EQ(fresh, "b=20;c=deleted;d=4");
}

TEST(Cookies, MergeNormalises) {
  auto merge = [](Text c, Text n = {}) { return merge_cookies(c, n); };
  EXPECT_EQ(merge("a=x y"), "a=xy");
  EXPECT_EQ(merge("x=1; x=2"), "x=1");
  EXPECT_EQ(merge("a=1;;b=2"), "a=1; ; b=2");
  EXPECT_EQ(merge("c=deleted; e=5"), "e=5");
  EXPECT_EQ(merge("SID=1", "sid=2"), "sid=2; SID=1");
  EXPECT_EQ(merge("", "k=v; k=w"), "k=v; k=w");
  EXPECT_EQ(merge("", "k=v; k=v"), "k=v");
  EXPECT_EQ(extract_set_cookies("Date: x\r\nServer: y"), "");
  EXPECT_EQ(extract_set_cookies("Set-Cookie: k=v"), "k=v");
}

TEST(Lists, FindAndJoin) {
  EXPECT_EQ(find_in_list({"a", "b"}, "b"), 2);
  EXPECT_EQ(find_in_list({"a", "b"}, "c"), -1);
  EXPECT_EQ(join_unique("a; b; a", "; "), "a; b");
  EXPECT_TRUE(has_cookie_name({"a=1", " b =2"}, "b"));
  EXPECT_EQ(cookie_name(" k "), "k");
}
