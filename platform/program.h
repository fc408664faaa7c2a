#pragma once

#include "text/text.h"

namespace af {

// The folder holding the executable, as GBK text without a trailing separator.
Text program_directory();
// Makes the program's folder the current directory (the window's start-up does this).
void enter_program_directory();

}  // namespace af
