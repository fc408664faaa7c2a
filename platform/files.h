// Files and folders. Paths arrive as program text in which "\" separates folders; they
// become the system's bytes with "/" only here, after conversion, so a trail byte 0x5C is
// never a separator. A name that was not UTF-8 comes back as the bytes it was.
#pragma once

#include <filesystem>
#include <initializer_list>

#include "text/text.h"

namespace af {

std::filesystem::path native_path(std::string_view gbk_path);
Text gbk_path(const std::filesystem::path& path);

bool is_folder(std::string_view path);
// Appends a trailing "\" when missing (the caller's variable keeps it) and creates every
// missing folder on the way.
bool make_folder_path(Text& path);
// True when a file or folder matches; "*" and "?" in the last component are wild cards.
bool file_exists(std::string_view path);
// Replaces the file whole: written new under a temporary name, then renamed.
bool write_file(std::string_view path, std::initializer_list<const Bytes*> parts);
inline bool write_file(std::string_view path, const Bytes& data) {
  return write_file(path, {&data});
}

// Attribute bits as the system knows them, masked to 0x27. Only read-only has a meaning
// here: it clears the write permission bits. Hidden files are dot-files by name, so the
// hidden, system and archive bits are accepted and have no further effect.
inline constexpr int attribute_readonly = 0x01;
inline constexpr int attribute_hidden = 0x02;
bool set_file_attributes(std::string_view path, int bits);

}  // namespace af
