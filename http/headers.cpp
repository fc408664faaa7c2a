#include "http/headers.h"

namespace af {

void complete_request_headers(Text& block, std::string_view url, bool with_user_agent) {
  auto has = [&](std::string_view name) { return find_text(block, name) != -1; };
  if (block.empty()) {
    block = "Accept: */*";
  } else if (!has("Accept:")) {
    block += "\r\nAccept: */*";
  }
  if (!has("Referer:")) {
    block += "\r\nReferer: ";
    block += url;
  }
  if (!has("Accept-Language:")) block += "\r\nAccept-Language: zh-cn";
  if (with_user_agent && !has("User-Agent:")) {
    block += "\r\nUser-Agent: ";
    block += default_user_agent;
  }
  if (!has("Content-Type:")) block += "\r\nContent-Type: application/x-www-form-urlencoded";
}

Text header_name(std::string_view line) {
  int p = find_text(line, ":");
  if (p == -1) return {};
  return trim_spaces(left_text(line, p - 1));
}

Text header_value(std::string_view line) {
  int p = find_text(line, ":");
  if (p == -1) return {};
  return trim_spaces(mid_text(line, p + 1, text_len(line)));
}

Text normalise_set_cookie(std::string_view block) {
  return replace_text(block, "Set-Cookie", "Set-Cookie", {}, {}, false);
}

Text extract_set_cookies(std::string_view block) {
  Text result;
  for (const Text& line : split_text(block, std::string_view("\r\n"))) {
    if (find_text(line, "Set-Cookie") == -1) continue;
    Text pair;
    if (find_text(line, ";") != -1) {
      pair = trim_spaces(text_between(line, "Set-Cookie:", ";"));
    } else {
      pair = trim_spaces(replace_text(line, "Set-Cookie:", "", {}, {}, false));
    }
    result += pair;
    result += "; ";
  }
  return left_text(result, text_len(result) - 2);
}

Text merge_cookies(Text& cookies, Text& new_cookies) {
  cookies = remove_spaces(cookies);
  new_cookies = remove_spaces(new_cookies);
  TextList old_list = split_text(cookies, std::string_view(";"));
  TextList fresh = split_text(new_cookies, std::string_view(";"));
  for (const Text& pair : old_list) {
    if (!has_cookie_name(fresh, cookie_name(pair))) fresh.push_back(pair);
  }
  Text merged;
  for (const Text& pair : fresh) {
    if (right_text(pair, 8) == "=deleted") continue;
    merged += pair;
    merged += "; ";
  }
  merged = left_text(merged, text_len(merged) - 2);
  cookies = join_unique(merged, "; ");
  return cookies;
}

Text cookie_name(std::string_view pair) {
  int p = find_text(pair, "=");
  if (p == -1) return trim_spaces(pair);
  return trim_spaces(left_text(pair, p - 1));
}

bool has_cookie_name(const TextList& list, std::string_view name) {
  for (const Text& e : list)
    if (cookie_name(e) == name) return true;
  return false;
}

Text join_unique(std::string_view text, std::string_view separator) {
  TextList kept;
  Text out;
  for (const Text& piece : split_text(text, separator)) {
    if (find_in_list(kept, piece) != -1) continue;
    kept.push_back(piece);
    out += piece;
    out += separator;
  }
  return left_text(out, text_len(out) - text_len(separator));
}

int find_in_list(const TextList& list, std::string_view text) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i] == text) return static_cast<int>(i) + 1;
  return -1;
}

}  // namespace af
