#pragma once

#include "text/text.h"

namespace af {

// The folder holding the executable, as GBK text without a trailing separator.
Text program_directory();

// Whether the program runs from an installed prefix (its desktop entry beside it, or a
// system bin folder) rather than from a build folder or a folder of the user's own.
bool running_installed();
// The user's pictures folder as the desktop names it (XDG_PICTURES_DIR in
// user-dirs.dirs), else ~/Pictures.
Text pictures_folder();
// Where pictures go unless the user picks a folder. Run from a folder of its own, the
// program's folder when it can be written; installed (never its bin folder), or when that
// fails, the user's pictures folder, otherwise the home folder.
Text default_save_location();
Text default_save_location(bool installed, const Text& program_dir);
// The save location as typed, made absolute: empty follows the start-up rule, and a
// relative one is taken from the home folder, never from wherever the program was started.
Text resolve_save_location(std::string_view typed);

}  // namespace af
