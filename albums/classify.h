#pragma once

#include "text/text.h"

namespace af {

enum class AddressKind { empty, member, group, album, unrecognised };

// The address as typed, made requestable: spaces around it and a trailing "#..." go,
// and "http://" is put in front unless it starts with "http://" or "https://".
Text normalise_address(std::string_view input);

// The get-albums action: classifies the entered address and starts the listing, records a
// group, or downloads a single album at once.
AddressKind classify_address();

}  // namespace af
