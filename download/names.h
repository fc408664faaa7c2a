// Folder and file names for the pictures. Page- and address-supplied text only becomes a
// name after everything that could leave the save location is taken out, and every name
// fits what a file system takes.
#pragma once

#include <set>

#include "text/text.h"

namespace af {

// A picture's final name stays 6 bytes short of the 255 (UTF-8) a file name may have, as
// it always has, so names do not change between builds; its temporary form is cut to fit.
inline constexpr size_t max_name_utf8 = 255;
inline constexpr size_t max_picture_name_utf8 = max_name_utf8 - 6;

Text clean_title(std::string_view title);
// Takes out path separators, "..", control characters; shortens to what a file system
// takes (255 bytes in UTF-8) at a character boundary. May return empty.
Text safe_name(std::string_view name);
// Cuts a text so that its UTF-8 form fits `limit` bytes, never inside a character.
Text shorten_to(std::string_view text, size_t limit);
// A title with its queue number: the title is shortened first, so the number always
// survives into the folder name.
Text numbered_title(std::string_view title, int number);
// base\owner\cleaned title; base is the save location resolved (empty: the start-up
// rule; relative: from the home folder).
Text album_folder(std::string_view save_location, std::string_view owner,
                  std::string_view cleaned_title);
// The i-th picture's file name: i, the picture id and ".jpg".
Text picture_file_name(int i, std::string_view picture_id);
// `name` if no earlier one of the set has it, otherwise "stem (2).ext", "stem (3).ext", ...
// within the same length limit; the result is added to `taken`.
Text distinct_name(const Text& name, std::set<Text>& taken, size_t limit,
                   std::string_view extension = {});

}  // namespace af
