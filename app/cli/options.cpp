#include "app/cli/options.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "app/cli/session.h"
#include "http/proxy.h"

namespace af::cli {

void add_global_options(QCommandLineParser& parser) {
  parser.addOption(QCommandLineOption({"q", "quiet"}, "quiet"));
  parser.addOption(QCommandLineOption({"v", "verbose"}, "verbose"));
  parser.addOption(QCommandLineOption("proxy", "proxy", "URL"));
  parser.addOption(QCommandLineOption("no-proxy", "no-proxy"));
}

std::optional<int> apply_global_options(const QCommandLineParser& parser,
                                        const std::string& command) {
  bool given = parser.isSet("proxy"), none = parser.isSet("no-proxy");
  if (given && none) return usage_error(command, "--proxy 和 --no-proxy 不能同时使用");
  if (given) {
    std::string url = parser.value("proxy").toStdString();
    if (url.empty()) return usage_error(command, "--proxy 不能为空");
    set_proxy_choice({ProxyMode::given, url});
  } else if (none) {
    set_proxy_choice({ProxyMode::none, {}});
  }
  return std::nullopt;
}

std::vector<std::string> options_after_command(const std::vector<std::string>& args) {
  std::vector<std::string> before;
  size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() < 2 || a[0] != '-' || a == "--") break;
    // Help and version are answered by the dispatcher itself.
    if (a == "-h" || a == "--help" || a == "-V" || a == "--version") break;
    before.push_back(a);
    if (a == "--proxy" && i + 1 < args.size()) before.push_back(args[++i]);
  }
  if (before.empty() || i == args.size()) return args;
  std::vector<std::string> out{args[i]};
  out.insert(out.end(), before.begin(), before.end());
  out.insert(out.end(), args.begin() + static_cast<long>(i) + 1, args.end());
  return out;
}

bool looks_like_address(const std::string& word) {
  return !word.empty() && word[0] != '-' && word.find_first_of("./:") != std::string::npos;
}

bool terminal_redraws() {
  const char* term = std::getenv("TERM");
  return ::isatty(2) && term && *term && std::strcmp(term, "dumb") != 0;
}

}  // namespace af::cli
