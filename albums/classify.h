#pragma once

#include "text/text.h"

namespace af {

enum class AddressKind { empty, member, group, album, unrecognised };

// The address as typed, made requestable: spaces around it and a trailing "#..." go,
// and "http://" is put in front unless it starts with "http://" or "https://".
Text normalise_address(std::string_view input);

// What an entered (normalised) address is, by the same rules the get-albums action uses.
AddressKind kind_of_address(std::string_view entered);
// A single album page's title, read in the page's own encoding.
Text album_page_title(std::string_view address);

// The get-albums action: classifies the entered address and starts the listing, records a
// group, or downloads a single album at once.
AddressKind classify_address();

}  // namespace af
