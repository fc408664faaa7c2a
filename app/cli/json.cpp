#include "app/cli/json.h"

#include <cstdio>

namespace af::cli {
namespace {

// The length of the well-formed UTF-8 sequence at `s`, or 0.
size_t sequence_length(std::string_view s) {
  auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  auto cont = [&](size_t i) { return i < s.size() && (b(i) & 0xC0) == 0x80; };
  unsigned char c = b(0);
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) return cont(1) ? 2 : 0;
  if (c >= 0xE0 && c <= 0xEF) {
    if (!cont(1) || !cont(2)) return 0;
    if (c == 0xE0 && b(1) < 0xA0) return 0;   // overlong
    if (c == 0xED && b(1) >= 0xA0) return 0;  // surrogate
    return 3;
  }
  if (c >= 0xF0 && c <= 0xF4) {
    if (!cont(1) || !cont(2) || !cont(3)) return 0;
    if (c == 0xF0 && b(1) < 0x90) return 0;
    if (c == 0xF4 && b(1) >= 0x90) return 0;
    return 4;
  }
  return 0;
}

}  // namespace

std::string json_string(std::string_view s) {
  std::string out = "\"";
  out.reserve(s.size() + 2);
  char esc[8];
  for (size_t i = 0; i < s.size();) {
    auto c = static_cast<unsigned char>(s[i]);
    size_t n = sequence_length(s.substr(i));
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
      ++i;
    } else if (c == '\n') {
      out += "\\n";
      ++i;
    } else if (c == '\t') {
      out += "\\t";
      ++i;
    } else if (c < 0x20 || c == 0x7F) {
      std::snprintf(esc, sizeof esc, "\\u%04X", c);
      out += esc;
      ++i;
    } else if (c == 0xC2 && static_cast<unsigned char>(s[i + 1]) < 0xA0) {  // U+0080..U+009F
      std::snprintf(esc, sizeof esc, "\\u%04X", static_cast<unsigned char>(s[i + 1]));
      out += esc;
      i += 2;
    } else {
      out.append(s.substr(i, n));
      i += n;
    }
  }
  out += '"';
  return out;
}

}  // namespace af::cli
