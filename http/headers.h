// Header-block and cookie-text rules shared by both request routines. Pure text work.
#pragma once

#include "text/text.h"

namespace af {

inline constexpr std::string_view default_user_agent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

void complete_request_headers(Text& block, std::string_view url, bool with_user_agent);
Text header_name(std::string_view line);
Text header_value(std::string_view line);
Text normalise_set_cookie(std::string_view block);
Text extract_set_cookies(std::string_view block);
Text merge_cookies(Text& cookies, Text& new_cookies);
Text cookie_name(std::string_view pair);
bool has_cookie_name(const TextList& list, std::string_view name);
Text join_unique(std::string_view text, std::string_view separator);
int find_in_list(const TextList& list, std::string_view text);

}  // namespace af
