#include "app/community/demo.h"

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
  site.set_version_page("<html><body>albumfetch ##v20151130## </body></html>");
  return m;
}

}  // namespace af::community
