// Code-page conversions at the program's edges: pages arrive as UTF-8, the core works in
// its code page, and the window, terminal and file system speak UTF-8 again. The code
// page is GB18030, the superset of GBK: every GBK text is unchanged, and what GBK cannot
// hold (Korean, accented Latin, emoji) survives as four-byte sequences, whose two-byte
// halves the text primitives step over like any GBK character.
#pragma once

#include <string>
#include <string_view>

#include "text/text.h"

namespace af {

// UTF-8 page bytes to program text. Invalid UTF-8 becomes "?";
// the result ends at the first zero byte, as a text must.
Text utf8_to_gbk(const Bytes& bytes);
Text utf8_to_gbk(std::string_view utf8);

// Whether `bytes` are valid UTF-8 that holds at least one multi-byte character (plain
// ASCII says nothing about a page's encoding).
bool is_multibyte_utf8(std::string_view bytes);

// Program text to UTF-8 for display. Invalid sequences, and the stand-ins for bytes of a
// path that were not UTF-8, become U+FFFD.
std::string gbk_to_utf8(std::string_view gbk);

// File names are bytes. A name's valid UTF-8 becomes program text as usual; each byte
// that is not UTF-8 is held as the private code point U+10FF00 + byte, which the way back
// turns into that byte again, so a folder named in a legacy code page is found as it is.
Text native_to_text(std::string_view native);
std::string text_to_native(std::string_view text);

}  // namespace af

// A system text written once in UTF-8 source and held as GBK bytes from then on.
#define GBK(literal)                                                \
  ([]() -> const ::af::Text& {                                      \
    static const ::af::Text converted = ::af::utf8_to_gbk(literal); \
    return converted;                                               \
  }())
