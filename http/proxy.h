// Where a request goes when its caller names no proxy of its own. By default libcurl
// reads the environment as curl does (http_proxy, https_proxy, all_proxy, no_proxy and
// their upper-case forms but HTTP_PROXY); the command line can name one proxy instead, or
// turn proxies off.
#pragma once

#include <string>

namespace af {

enum class ProxyMode { environment, given, none };

struct ProxyChoice {
  ProxyMode mode = ProxyMode::environment;
  std::string url;  // for `given`
};

void set_proxy_choice(const ProxyChoice& choice);
ProxyChoice proxy_choice();

}  // namespace af
