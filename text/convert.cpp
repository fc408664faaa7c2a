#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "text/text.h"

namespace af {

Text to_text(int value) {
  return std::to_string(value);
}
Text to_text(std::int64_t value) {
  return std::to_string(value);
}

Text to_text(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.13g", value);
  return buf;
}

Text to_text(float value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6g", static_cast<double>(value));
  return buf;
}

Text to_text(const Bytes& bytes) {
  size_t n = 0;
  while (n < bytes.size() && bytes[n] != 0) ++n;
  return Text(reinterpret_cast<const char*>(bytes.data()), n);
}

int to_integer(double value) {
  if (std::isnan(value)) return 0;
  double t = std::trunc(value);
  if (t >= 2147483647.0) return 2147483647;
  if (t <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(t);
}

int to_integer(std::int64_t value) {
  return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

int to_integer(std::string_view text) {
  // Full-width forms first, then atoi's reading: blanks, sign, digits.
  Text t;
  t.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (is_lead_byte(c) && i + 1 < text.size()) {
      unsigned char d = static_cast<unsigned char>(text[i + 1]);
      if (c == 0xA3 && d >= 0xA1 && d <= 0xFE) {
        t.push_back(static_cast<char>(d - 0x80));
      } else if (c == 0xA1 && d == 0xA1) {
        t.push_back(' ');
      } else if (c == 0xA1 && d == 0xAB) {
        t.push_back('~');
      } else if (c == 0xA1 && (d == 0xEE || d == 0xEF)) {
        t.push_back('*');
      } else {
        t.push_back(static_cast<char>(c));
        t.push_back(static_cast<char>(d));
      }
      ++i;
    } else {
      t.push_back(static_cast<char>(c));
    }
  }
  size_t i = 0;
  while (i < t.size() && (t[i] == ' ' || (t[i] >= '\t' && t[i] <= '\r'))) ++i;
  bool neg = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) neg = t[i++] == '-';
  long long v = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
    v = v * 10 + (t[i++] - '0');
    if (v > 2147483648LL) v = 2147483648LL;  // saturate rather than overflow
  }
  if (neg) v = -v;
  if (v > 2147483647LL) v = 2147483647LL;
  return static_cast<int>(v);
}

Text char_from_code(int code) {
  if ((code & 0xFF) == 0) return {};
  return Text(1, static_cast<char>(code & 0xFF));
}

Text spaces_text(int n) {
  return n < 1 ? Text() : Text(static_cast<size_t>(n), ' ');
}

Bytes text_to_bytes(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

Bytes blank_bytes(int n) {
  return n <= 0 ? Bytes() : Bytes(static_cast<size_t>(n), 0);
}

Bytes left_bytes(const Bytes& bytes, int n) {
  if (n < 0) return {};
  return Bytes(bytes.begin(), bytes.begin() + std::min(bytes.size(), static_cast<size_t>(n)));
}

int bytes_length(const Bytes& bytes) {
  return static_cast<int>(bytes.size());
}

}  // namespace af
