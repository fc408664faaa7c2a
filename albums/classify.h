#pragma once

#include <functional>

#include "text/text.h"

namespace af {

enum class AddressKind { empty, member, group, album, unrecognised };

// The address as typed: spaces around it and a trailing "#..." go, and "http://" is put
// in front when it holds neither "http://" nor "https://" (in any letter case) anywhere.
Text normalise_address(std::string_view input);
// The part of an entered address that can be requested: from its scheme on, so words
// pasted in front of it are not sent.
Text page_address(std::string_view entered);

// What an entered (normalised) address is, by the same rules the get-albums action uses.
AddressKind kind_of_address(std::string_view entered);
// A single album page's title, read in the page's own encoding.
Text album_page_title(std::string_view address);

// Downloads one album page (address, title) and returns when it is done.
using SingleAlbumDownload = std::function<void(const Text& address, const Text& title)>;

// The get-albums action: classifies the entered address and starts the listing, records a
// group, or has `download_single` download a single album at once. The downloading lives
// a layer above, so the action is handed it (app/commands.h puts the two together).
AddressKind classify_entered_address(const SingleAlbumDownload& download_single);

}  // namespace af
