#pragma once

namespace af {

enum class AddressKind { empty, member, group, album, unrecognised };

// The get-albums action: classifies the entered address and starts the listing, records a
// group, or downloads a single album at once.
AddressKind classify_address();

}  // namespace af
