// Folders made on demand, with the system's reason when that fails.
#pragma once

#include "text/text.h"

namespace af {

// Makes `folder` (GBK, "\" or "/" between names) and every folder above it that is
// missing. With `probe_write`, also proves that a file can be created in it. Empty when
// all is well; otherwise the system's reason, such as "Not a directory".
Text prepare_folder(std::string_view folder, bool probe_write = false);

}  // namespace af
