#pragma once

#include "text/text.h"

namespace af {

inline constexpr std::string_view album_pattern =
    "imgUrl=\"(.*?)\" onerror=\"this.src=(.*?)\"/></a> <div class=\"cover f-trans j-cover\" "
    "></div> <a href=\"(.*?)\" title=\"(.*?)<em>(.*?)</em>";

// The album-list worker: fills the album list from the member's home page.
void load_album_list();

// Whether a page says it is UTF-8, by its Content-Type header or a meta charset.
bool declares_utf8(std::string_view response_headers, const Bytes& body);

}  // namespace af
