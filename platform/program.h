#pragma once

#include "text/text.h"

namespace af {

// The folder holding the executable, as GBK text without a trailing separator.
Text program_directory();
// Makes the program's folder the current directory (the window's start-up does this).
void enter_program_directory();

// Where pictures go unless the user picks a folder: the program's folder when it can be
// written, otherwise the user's pictures folder, otherwise the home folder.
Text default_save_location();
// The save location as typed, made absolute: empty follows the start-up rule, and a
// relative one is taken from the home folder, never from wherever the program was started.
Text resolve_save_location(std::string_view typed);

}  // namespace af
