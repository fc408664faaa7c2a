#include "app/cli/arguments.h"

#include <string_view>

namespace af::cli {

std::string raw_argument(int argc, char** argv, const QString& decoded, int first) {
  for (int i = first; i < argc; ++i) {
    std::string_view a = argv[i];
    if (QString::fromLocal8Bit(a.data(), static_cast<qsizetype>(a.size())) == decoded)
      return std::string(a);
    size_t eq = a.find('=');
    if (a.substr(0, 2) == "--" && eq != std::string_view::npos) {
      std::string_view v = a.substr(eq + 1);
      if (QString::fromLocal8Bit(v.data(), static_cast<qsizetype>(v.size())) == decoded)
        return std::string(v);
    }
  }
  return decoded.toStdString();
}

}  // namespace af::cli
