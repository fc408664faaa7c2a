// Text primitives over GBK (GB18030) byte strings: 1-based byte positions, -1 for "not
// found", and character stepping that never matches inside a two-byte character.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace af {

using Text = std::string;                  // GB18030 bytes, no zero byte inside
using Bytes = std::vector<unsigned char>;  // raw bytes, zeros allowed
using TextList = std::vector<Text>;
using Opt = std::optional<int>;

// "#引号": stands for a double quote inside markers and patterns.
inline constexpr std::string_view quote_marker = "#\xD2\xFD\xBA\xC5";

// 0x80 and 0xFF lead nothing: as single bytes they can never swallow a following "/".
inline bool is_lead_byte(unsigned char c) {
  return c >= 0x81 && c != 0xFF;
}

// Bytes of the character at i: 1, 2, or 4 for a GB18030 four-byte sequence (lead, digit,
// lead, digit); 0 for one cut off by the end of the text.
inline size_t char_size(std::string_view t, size_t i) {
  auto at = [&](size_t k) { return static_cast<unsigned char>(t[k]); };
  if (!is_lead_byte(at(i))) return 1;
  if (i + 1 >= t.size()) return 0;
  if (at(i + 1) >= 0x30 && at(i + 1) <= 0x39) return i + 3 < t.size() ? 4 : 0;
  return 2;
}

int text_len(std::string_view text);
int find_text(std::string_view text, std::string_view sought, Opt start = {},
              bool ignore_case = false);
int find_text_last(std::string_view text, std::string_view sought, Opt start = {},
                   bool ignore_case = false);
Text left_text(std::string_view text, int n);
Text right_text(std::string_view text, int n);
Text mid_text(std::string_view text, int start, int n);
Text trim_spaces(std::string_view text);
Text remove_spaces(std::string_view text);
Text replace_text(std::string_view text, std::string_view find, std::string_view replacement,
                  Opt start = {}, Opt count = {}, bool case_sensitive = true);
TextList split_text(std::string_view text, std::optional<std::string_view> delimiter = {},
                    Opt max_count = {});
Text to_text(int value);
Text to_text(std::int64_t value);
Text to_text(double value);
Text to_text(float value);
Text to_text(const Bytes& bytes);
int to_integer(double value);
int to_integer(std::string_view text);
int to_integer(std::int64_t value);
inline int to_integer(int value) {
  return value;
}
Text char_from_code(int code);
Text spaces_text(int n);
Text to_lower(std::string_view text);
Bytes text_to_bytes(std::string_view text);
Bytes blank_bytes(int n);
Bytes left_bytes(const Bytes& bytes, int n);
int bytes_length(const Bytes& bytes);
Text text_between(std::string_view text, std::string_view begin_marker, std::string_view end_marker,
                  Opt start = {}, bool ignore_case = false);

template <typename... Ints>
int bit_or(int a, int b, Ints... rest) {
  int ab = a | b;
  return (ab | ... | rest);
}

}  // namespace af
