#include <cstring>

#include "text/text.h"

namespace af {
namespace {

inline unsigned char fold(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}

bool equal_at(const char* p, std::string_view s, bool case_sensitive) {
  if (case_sensitive) return std::memcmp(p, s.data(), s.size()) == 0;
  for (size_t i = 0; i < s.size(); ++i)
    if (fold(static_cast<unsigned char>(p[i])) != fold(static_cast<unsigned char>(s[i])))
      return false;
  return true;
}

// Length of the character at i: 1 or 2, or 0 for a dangling lead byte.
inline size_t char_len(std::string_view t, size_t i) {
  if (!is_lead_byte(static_cast<unsigned char>(t[i]))) return 1;
  return i + 1 < t.size() ? 2 : 0;
}

inline bool is_space_at(std::string_view t, size_t i) {
  if (t[i] == ' ') return true;
  return static_cast<unsigned char>(t[i]) == 0xA1 && i + 1 < t.size() &&
         static_cast<unsigned char>(t[i + 1]) == 0xA1;
}

}  // namespace

Text left_text(std::string_view text, int n) {
  if (n <= 0) return {};
  return Text(text.substr(0, static_cast<size_t>(n)));
}

Text right_text(std::string_view text, int n) {
  if (n <= 0) return {};
  size_t k = std::min(static_cast<size_t>(n), text.size());
  return Text(text.substr(text.size() - k));
}

Text mid_text(std::string_view text, int start, int n) {
  if (start < 1 || static_cast<size_t>(start) > text.size() || n <= 0) return {};
  return Text(text.substr(static_cast<size_t>(start) - 1, static_cast<size_t>(n)));
}

Text trim_spaces(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && is_space_at(text, i)) i += text[i] == ' ' ? 1 : 2;
  // From here, walk by characters remembering where the final run of spaces starts.
  size_t body = i, cut = std::string_view::npos;
  size_t end = text.size();
  while (i < text.size()) {
    size_t len = char_len(text, i);
    if (len == 0) {  // dangling lead byte: dropped
      end = i;
      break;
    }
    if (is_space_at(text, i)) {
      if (cut == std::string_view::npos) cut = i;
    } else {
      cut = std::string_view::npos;
    }
    i += len;
  }
  if (cut != std::string_view::npos) end = cut;
  return Text(text.substr(body, end - body));
}

Text remove_spaces(std::string_view text) {
  Text out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t len = char_len(text, i);
    if (len == 0) break;
    if (!is_space_at(text, i)) out.append(text.data() + i, len);
    i += len;
  }
  return out;
}

Text replace_text(std::string_view text, std::string_view find, std::string_view replacement,
                  Opt start, Opt count, bool case_sensitive) {
  long long s0 = start ? std::max(0LL, static_cast<long long>(*start) - 1) : 0;
  long long limit = count ? (*count < 0 ? -1 : *count) : -1;
  if (text.empty() || find.empty() || static_cast<size_t>(s0) >= text.size() || limit == 0)
    return Text(text);
  Text out;
  out.reserve(text.size());
  out.append(text.data(), static_cast<size_t>(s0));
  size_t i = static_cast<size_t>(s0);
  const size_t n = find.size();
  long long done = 0;
  while (i < text.size() && text.size() - i >= n) {
    size_t len = char_len(text, i);
    if (len == 0) break;
    if (equal_at(text.data() + i, find, case_sensitive)) {
      out.append(replacement);
      i += n;
      if (limit > 0 && ++done >= limit) break;
      continue;
    }
    // Copy ahead to the next possible match quickly when case-sensitive.
    out.append(text.data() + i, len);
    i += len;
  }
  out.append(text.data() + i, text.size() - i);
  return out;
}

TextList split_text(std::string_view text, std::optional<std::string_view> delimiter,
                    Opt max_count) {
  std::string_view d = delimiter ? *delimiter : std::string_view(",");
  long long limit = max_count ? std::max(0, *max_count) : -1;
  TextList out;
  if (text.empty() || limit == 0) return out;
  if (d.empty()) {
    out.emplace_back(text);
    return out;
  }
  size_t piece = 0, i = 0;
  while (i < text.size() && text.size() - i >= d.size()) {
    size_t len = char_len(text, i);
    if (len == 0) break;
    if (std::memcmp(text.data() + i, d.data(), d.size()) == 0) {
      out.emplace_back(text.substr(piece, i - piece));
      i += d.size();
      piece = i;
      if (limit > 0 && static_cast<long long>(out.size()) >= limit) return out;
      continue;
    }
    i += len;
  }
  if (piece < text.size()) out.emplace_back(text.substr(piece));
  return out;
}

Text to_lower(std::string_view text) {
  Text out(text);
  for (size_t i = 0; i < out.size();) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (is_lead_byte(c)) {
      i += 2;
      continue;
    }
    if (c >= 'A' && c <= 'Z') out[i] = static_cast<char>(c + 32);
    ++i;
  }
  return out;
}

}  // namespace af
