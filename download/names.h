// Folder and file names for the pictures. Page- and address-supplied text only becomes a
// name after everything that could leave the save location is taken out.
#pragma once

#include "text/text.h"

namespace af {

Text clean_title(std::string_view title);
// Takes out path separators, "..", control characters; shortens to what a file system
// takes (255 bytes in UTF-8) at a character boundary. May return empty.
Text safe_name(std::string_view name);
// base\owner\cleaned title; base is the save location, or the program folder when empty.
Text album_folder(std::string_view save_location, std::string_view owner,
                  std::string_view cleaned_title);
// The i-th picture's file name: i, the picture id and ".jpg".
Text picture_file_name(int i, std::string_view picture_id);

}  // namespace af
