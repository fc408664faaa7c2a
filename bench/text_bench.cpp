#include <iconv.h>

#include <string>

#include "albums/album_list.h"
#include "bench/common.h"
#include "platform/codepage.h"
#include "platform/regex_object.h"
#include "text/text.h"

using namespace af;

namespace {

// A mostly-ASCII page with Chinese text mixed in, of about `bytes` bytes.
Text page_of(size_t bytes) {
  Text chunk = "<div class=\"item\"><a href=\"http://pp.163.com/x/pp/123.html\">" +
               utf8_to_gbk(std::string_view("网易摄影的相册，风景与人像")) + "</a></div>,\r\n";
  Text t;
  t.reserve(bytes + chunk.size());
  while (t.size() < bytes) t += chunk;
  return t;
}

Text albums_page(int n) {
  Text t;
  for (int i = 0; i < n; ++i) {
    t += "<li><a><img imgUrl=\"http://img1.ph.126.net/" + std::to_string(i) +
         ".jpg\" onerror=\"this.src=http://x/b.gif\"/></a> <div class=\"cover f-trans j-cover\" "
         "></div> <a href=\"http://pp.163.com/m/pp/" +
         std::to_string(i) + ".html\" title=\"t\"><em>" + utf8_to_gbk(std::string_view("相册")) +
         std::to_string(i) + "</em></a></li>" + std::string(200, ' ');
  }
  return t;
}

Text pictures_block(int n) {
  Text t = "window.pic960List = {list:[";
  for (int i = 0; i < n; ++i)
    t += "{seqindex:" + std::to_string(i) + ",pictureId:" + std::to_string(100000 + i) +
         ",url:'http://img2.ph.126.net/abcdefgh/" + std::to_string(i) + ".jpg',w:800,h:600},";
  return t + "]};";
}

}  // namespace

int main() {
  const Text big = page_of(16u << 20), half = page_of(8u << 20);
  const std::string needle = "never-there-marker";
  double ours = bench::best_of(5, [&] { benchmark::DoNotOptimize(find_text(big, needle)); });
  double base =
      bench::best_of(5, [&] { benchmark::DoNotOptimize(std::string_view(big).find(needle)); });
  bench::report("find_text / string_view::find, 16 MB", ours / base, 4.0);

  auto scaling = [&](const char* what, const std::function<void(const Text&)>& f) {
    // Both inputs are timed from a cold cache, so the ratio measures the work and not
    // whether 8 MB happens to stay cached between runs.
    double t16 = bench::best_of(
        7, [&] { bench::evict_caches(); }, [&] { f(big); });
    double t8 = bench::best_of(
        7, [&] { bench::evict_caches(); }, [&] { f(half); });
    bench::report(what, t16 / t8, 2.3);
  };
  scaling("text_between 16 MB / 8 MB",
          [](const Text& t) { benchmark::DoNotOptimize(text_between(t, "<div", "never-there")); });
  scaling("replace_text 16 MB / 8 MB",
          [](const Text& t) { benchmark::DoNotOptimize(replace_text(t, "item", "ITEM")); });
  scaling("split_text 16 MB / 8 MB",
          [](const Text& t) { benchmark::DoNotOptimize(split_text(t, std::string_view("\r\n"))); });
  scaling("find_text_last 16 MB / 8 MB",
          [](const Text& t) { benchmark::DoNotOptimize(find_text_last(t, "</div>")); });

  // The program's code page (GB18030) against plain GBK through iconv, on the same page.
  const std::string utf8_page = gbk_to_utf8(big);
  auto iconv_gbk = [](const char* to, const char* from, const std::string& in) {
    iconv_t cd = iconv_open(to, from);
    std::string out(in.size() * 2, '\0');
    char* ip = const_cast<char*>(in.data());
    char* op = out.data();
    size_t il = in.size(), ol = out.size();
    while (il > 0 && iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1)) ++ip, --il;
    iconv_close(cd);
    out.resize(out.size() - ol);
    return out;
  };
  double to_ours = bench::best_of(3, [&] { benchmark::DoNotOptimize(utf8_to_gbk(utf8_page)); });
  double to_gbk =
      bench::best_of(3, [&] { benchmark::DoNotOptimize(iconv_gbk("GBK", "UTF-8", utf8_page)); });
  double from_ours = bench::best_of(3, [&] { benchmark::DoNotOptimize(gbk_to_utf8(big)); });
  double from_gbk =
      bench::best_of(3, [&] { benchmark::DoNotOptimize(iconv_gbk("UTF-8", "GBK", big)); });
  std::printf(
      "16 MB page, UTF-8 to program text %.1f ms (GBK: %.1f ms), back %.1f ms (GBK: %.1f ms)\n",
      to_ours * 1e3, to_gbk * 1e3, from_ours * 1e3, from_gbk * 1e3);
  bench::report("UTF-8 -> GB18030 / UTF-8 -> GBK, 16 MB", to_ours / to_gbk, 1.5);
  bench::report("GB18030 -> UTF-8 / GBK -> UTF-8, 16 MB", from_ours / from_gbk, 1.5);
  scaling("utf8_to_gbk 16 MB / 8 MB", [](const Text& t) {
    static std::string u16, u8;
    const std::string& u = t.size() > (12u << 20) ? (u16.empty() ? u16 = gbk_to_utf8(t) : u16)
                                                  : (u8.empty() ? u8 = gbk_to_utf8(t) : u8);
    benchmark::DoNotOptimize(utf8_to_gbk(u));
  });

  const Text a1 = albums_page(5000), a2 = albums_page(10000);
  auto search = [](std::string_view pattern, const Text& subject) {
    RegexObject re;
    re.search(pattern, subject);
    benchmark::DoNotOptimize(re.match_count());
  };
  // Searches of a few milliseconds: the best of nine keeps a busy machine out of the ratio.
  double s1 = bench::best_of(9, [&] { search(album_pattern, a1); });
  double s2 = bench::best_of(9, [&] { search(album_pattern, a2); });
  bench::report("album pattern, 10,000 / 5,000 albums", s2 / s1, 2.3);
  const Text p1 = pictures_block(10000), p2 = pictures_block(20000);
  const char* pic = "{seqindex:(.*?),pictureId:(.*?),url:'(.*?)',";
  double q1 = bench::best_of(9, [&] { search(pic, p1); });
  double q2 = bench::best_of(9, [&] { search(pic, p2); });
  bench::report("picture pattern, 20,000 / 10,000 pictures", q2 / q1, 2.3);
  return bench::finish();
}
