// File names are bytes, but the option parser holds text: a name that is not UTF-8 comes
// out of it with U+FFFD in place of its bytes. These are the bytes the user gave.
#pragma once

#include <QString>
#include <string>

namespace af::cli {

// The argument from `first` on (as it stands, or after "--opt=") whose decoded form is
// `decoded`; `decoded` itself in UTF-8 when none is.
std::string raw_argument(int argc, char** argv, const QString& decoded, int first = 2);

}  // namespace af::cli
