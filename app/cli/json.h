// JSON Lines for the machine-readable output of list and report.
#pragma once

#include <string>
#include <string_view>

namespace af::cli {

// `utf8` as a JSON string, quotes included. Control characters (C0, DEL and C1) are
// written \u00XX, so the line is safe on a terminal too; a byte that is not UTF-8
// becomes U+FFFD.
std::string json_string(std::string_view utf8);

}  // namespace af::cli
