#include "albums/page_text.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "http/headers.h"
#include "platform/codepage.h"

namespace af {
namespace {

constexpr size_t meta_search_bytes = 8192;

// The charset named after "charset=" at `pos` in lower-case ASCII text.
std::string charset_at(std::string_view lower, size_t pos) {
  pos += 8;
  while (pos < lower.size() && (lower[pos] == '"' || lower[pos] == '\'' || lower[pos] == ' '))
    ++pos;
  size_t end = pos;
  while (end < lower.size() && (std::isalnum(static_cast<unsigned char>(lower[end])) ||
                                lower[end] == '-' || lower[end] == '_'))
    ++end;
  return std::string(lower.substr(pos, end - pos));
}

bool is_utf8_name(const std::string& charset) {
  return charset == "utf-8" || charset == "utf8";
}

std::string ascii_lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

std::optional<bool> header_says(std::string_view headers) {
  for (const Text& line : split_text(headers, std::string_view("\r\n"))) {
    if (ascii_lower(header_name(line)) != "content-type") continue;
    std::string v = ascii_lower(line);
    size_t p = v.find("charset=");
    if (p != std::string::npos) return is_utf8_name(charset_at(v, p));
  }
  return std::nullopt;
}

// <meta charset="utf-8"> or <meta http-equiv="Content-Type" content="...; charset=utf-8">.
std::optional<bool> meta_says(const Bytes& body) {
  std::string head = ascii_lower(std::string_view(reinterpret_cast<const char*>(body.data()),
                                                  std::min(body.size(), meta_search_bytes)));
  for (size_t m = head.find("<meta"); m != std::string::npos; m = head.find("<meta", m + 5)) {
    size_t end = std::min(head.find('>', m), head.size());
    size_t p = head.find("charset=", m);
    if (p != std::string::npos && p < end) return is_utf8_name(charset_at(head, p));
  }
  return std::nullopt;
}

void append_code_point(std::string& utf8, unsigned long cp) {
  if (cp < 0x80) {
    utf8.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    utf8.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    utf8.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    utf8.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    utf8.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    utf8.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    utf8.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    utf8.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    utf8.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    utf8.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// The character a reference at the start of `s` stands for, and its length.
std::optional<std::pair<Text, size_t>> reference_at(std::string_view s) {
  static const std::pair<std::string_view, std::string_view> named[] = {
      {"&amp;", "&"}, {"&lt;", "<"},   {"&gt;", ">"},  {"&quot;", "\""},
      {"&#39;", "'"}, {"&apos;", "'"}, {"&nbsp;", " "}};
  for (auto& [ref, ch] : named)
    if (s.substr(0, ref.size()) == ref) return std::make_pair(Text(ch), ref.size());
  if (s.size() < 4 || s[1] != '#') return std::nullopt;
  bool hex = s[2] == 'x' || s[2] == 'X';
  size_t i = hex ? 3 : 2;
  unsigned long cp = 0;
  size_t digits = 0;
  for (; i < s.size() && digits < 8; ++i, ++digits) {
    char c = s[i];
    int v = c >= '0' && c <= '9'          ? c - '0'
            : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
            : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                          : -1;
    if (v < 0) break;
    cp = cp * (hex ? 16 : 10) + static_cast<unsigned long>(v);
  }
  if (digits == 0 || i >= s.size() || s[i] != ';') return std::nullopt;
  // No controls, surrogates or zero: a reference never smuggles in what a page could not.
  if (cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0) || (cp >= 0xD800 && cp <= 0xDFFF) ||
      cp > 0x10FFFF)
    return std::nullopt;
  std::string utf8;
  append_code_point(utf8, cp);
  return std::make_pair(utf8_to_gbk(std::string_view(utf8)), i + 1);
}

}  // namespace

bool page_is_utf8(std::string_view response_headers, const Bytes& body) {
  if (auto h = header_says(response_headers)) return *h;
  if (auto m = meta_says(body)) return *m;
  return is_multibyte_utf8(
      std::string_view(reinterpret_cast<const char*>(body.data()), body.size()));
}

Text page_to_text(std::string_view response_headers, const Bytes& body) {
  return page_is_utf8(response_headers, body) ? utf8_to_gbk(body) : to_text(body);
}

Text decode_character_references(std::string_view text) {
  if (text.find('&') == std::string_view::npos) return Text(text);
  Text out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t len = char_size(text, i);
    if (len == 0) len = text.size() - i;
    if (text[i] == '&') {
      if (auto r = reference_at(text.substr(i))) {
        out += r->first;
        i += r->second;
        continue;
      }
    }
    out.append(text.substr(i, len));
    i += len;
  }
  return out;
}

}  // namespace af
