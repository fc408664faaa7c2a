// A page's bytes as program text: its encoding is taken from the Content-Type header,
// else from a meta tag, else from the bytes themselves; GBK when nothing says otherwise.
#pragma once

#include "text/text.h"

namespace af {

bool page_is_utf8(std::string_view response_headers, const Bytes& body);
Text page_to_text(std::string_view response_headers, const Bytes& body);

// HTML character references (&amp; &lt; &gt; &quot; &#39; &nbsp; &#NNNN; &#xHHHH;)
// decoded; anything unknown or malformed stays as it is.
Text decode_character_references(std::string_view text);

}  // namespace af
