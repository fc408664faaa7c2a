#pragma once

#include "app/community/community.h"

namespace af::community {

inline constexpr const char* demo_member = "sheying";
inline constexpr const char* demo_world_member = "world";

// The demo member: eight albums with Chinese titles, one whose title loses characters to
// the title cleaning, one without a title and one of 60 pictures; and a second member,
// "world", whose UTF-8 page and titles test what GBK alone could not hold.
MemberEntry& populate_demo(Community& site);

}  // namespace af::community
