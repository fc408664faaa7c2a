#pragma once

#include "text/text.h"

namespace af {

inline constexpr std::string_view album_pattern =
    "imgUrl=\"(.*?)\" onerror=\"this.src=(.*?)\"/></a> <div class=\"cover f-trans j-cover\" "
    "></div> <a href=\"(.*?)\" title=\"(.*?)<em>(.*?)</em>";

// The album-list worker: fills the album list from the member's home page.
void load_album_list();

}  // namespace af
