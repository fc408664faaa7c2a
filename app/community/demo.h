#pragma once

#include "app/community/community.h"

namespace af::community {

inline constexpr const char* demo_member = "sheying";

// The demo member: eight albums with Chinese titles, one whose title loses characters to
// the title cleaning, one without a title and one of 60 pictures.
MemberEntry& populate_demo(Community& site);

}  // namespace af::community
