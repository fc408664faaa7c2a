#include "app/community/demo.h"

#include <string>

#include "albums/state.h"

namespace af::community {

MemberEntry& populate_demo(Community& site) {
  MemberEntry& m = site.add_member(demo_member);
  site.add_album(m, "西湖春色", 6, 640, 480);
  site.add_album(m, "旅行: 2015/08 (杭州·上海)", 5, 800, 600);
  site.add_album(m, "", 3, 320, 240);
  site.add_album(m, "街头人像", 60, 480, 360);
  site.add_album(m, "黄山云海", 4, 1024, 768);
  site.add_album(m, "故宫雪景", 5, 640, 427);
  site.add_album(m, "夜色老城", 3, 600, 400);
  site.add_album(m, "静物小品", 4, 400, 400);
  site.set_version_page("<html><body>albumfetch ##v" + std::string(program_version) +
                        "## </body></html>");

  // A member from elsewhere: a UTF-8 page that says so only in its meta tag, titles GBK
  // cannot hold or that carry character references, and pictures whose plain names meet
  // ("1"+"23" and "12"+"3").
  MemberEntry& world = site.add_member(demo_world_member, true);
  world.charset_in_meta = true;
  site.add_album(world, "서울의 밤 ☕", 3, 320, 240);
  site.add_album(world, "Tom &amp; Jerry &#x2764;", 2, 320, 240);
  site.add_album(world, "Café Ölberg", 2, 320, 240);
  AlbumEntry& twelve = site.add_album(world, "十二张", 12, 160, 120);
  twelve.pictures[0].id = "23";
  twelve.pictures[11].id = "3";
  return m;
}

}  // namespace af::community
