#include <cstring>

#include "text/text.h"

namespace af {
namespace {

inline unsigned char fold(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}

bool equal_at(const char* p, std::string_view sought, bool ignore_case) {
  if (!ignore_case) return std::memcmp(p, sought.data(), sought.size()) == 0;
  for (size_t i = 0; i < sought.size(); ++i) {
    if (fold(static_cast<unsigned char>(p[i])) != fold(static_cast<unsigned char>(sought[i])))
      return false;
  }
  return true;
}

// Walks region [from, end) by characters and calls hit(offset) at each match start; the
// walk ends when hit returns false.
template <typename Hit>
void walk_matches(std::string_view text, size_t from, size_t end, std::string_view sought,
                  bool ignore_case, Hit&& hit) {
  const char* s = text.data();
  size_t i = from;
  const size_t n = sought.size();
  while (i < end) {
    if (end - i < n) return;
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (is_lead_byte(c) && i + 1 >= text.size()) return;  // dangling lead byte ends the walk
    if (equal_at(s + i, sought, ignore_case)) {
      if (!hit(i)) return;
    }
    i += is_lead_byte(c) ? 2 : 1;
  }
}

}  // namespace

int text_len(std::string_view text) {
  return static_cast<int>(text.size());
}

int find_text(std::string_view text, std::string_view sought, Opt start, bool ignore_case) {
  long long s0 = start ? std::max(0LL, static_cast<long long>(*start) - 1) : 0;
  const size_t len = text.size();
  if (static_cast<size_t>(s0) >= len) return -1;
  if (sought.empty()) return 1;
  const size_t from = static_cast<size_t>(s0);
  // Fast path: ASCII-leading sought in a case-sensitive search. Candidates from memchr/find
  // must still lie on a character start, which is checked by stepping from the last known
  // character start.
  int result = -1;
  if (!ignore_case) {
    size_t boundary = from;  // a known character start
    size_t pos = from;
    while (true) {
      size_t cand = text.find(sought, pos);
      if (cand == std::string_view::npos) return -1;
      // advance boundary up to cand by characters
      const char* s = text.data();
      while (boundary < cand) {
        unsigned char c = static_cast<unsigned char>(s[boundary]);
        if (is_lead_byte(c) && boundary + 1 >= len) return -1;
        boundary += is_lead_byte(c) ? 2 : 1;
      }
      if (boundary == cand) {
        unsigned char c = static_cast<unsigned char>(s[cand]);
        if (is_lead_byte(c) && cand + 1 >= len) return -1;
        return static_cast<int>(cand) + 1;
      }
      pos = cand + 1;
    }
  }
  walk_matches(text, from, len, sought, ignore_case, [&](size_t i) {
    result = static_cast<int>(i) + 1;
    return false;
  });
  return result;
}

int find_text_last(std::string_view text, std::string_view sought, Opt start, bool ignore_case) {
  long long limit = static_cast<long long>(text.size());
  if (start) {
    limit = static_cast<long long>(*start) - 1;
    if (limit < 1) limit = 0;
    if (limit > static_cast<long long>(text.size())) limit = static_cast<long long>(text.size());
  }
  if (sought.empty()) return limit > 0 ? 1 : -1;
  int result = -1;
  walk_matches(text, 0, static_cast<size_t>(limit), sought, ignore_case, [&](size_t i) {
    result = static_cast<int>(i) + 1;
    return true;
  });
  return result;
}

Text text_between(std::string_view text, std::string_view begin_marker, std::string_view end_marker,
                  Opt start, bool ignore_case) {
  Text b = replace_text(begin_marker, quote_marker, "\"");
  Text e = replace_text(end_marker, quote_marker, "\"");
  int p = find_text(text, b, start, ignore_case);
  if (p == -1) return {};
  p += text_len(b);
  int q = find_text(text, e, p, ignore_case);
  if (q == -1) return {};
  return mid_text(text, p, q - p);
}

}  // namespace af
