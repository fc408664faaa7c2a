#pragma once

#include "text/text.h"

namespace af {

Text url_host(std::string_view url, bool keep_port);
int url_port(std::string_view url);
Text url_path(std::string_view url);

}  // namespace af
