#include "app/community/community.h"

#include <httplib.h>
#include <turbojpeg.h>

#include <thread>

#include "albums/state.h"
#include "platform/codepage.h"

namespace af::community {
namespace {

std::string gbk(const std::string& utf8) {
  return utf8_to_gbk(std::string_view(utf8));
}

}  // namespace

Bytes make_jpeg(int width, int height, unsigned seed, int quality) {
  std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
  unsigned x = seed * 2654435761u + 1;
  for (int y = 0; y < height; ++y) {
    for (int i = 0; i < width; ++i) {
      x ^= x << 13, x ^= x >> 17, x ^= x << 5;
      unsigned char* p = &rgb[(static_cast<size_t>(y) * width + i) * 3];
      p[0] = static_cast<unsigned char>((i * 255 / std::max(1, width - 1) + seed * 37) & 0xFF);
      p[1] = static_cast<unsigned char>((y * 255 / std::max(1, height - 1) + seed * 91) & 0xFF);
      p[2] = static_cast<unsigned char>(((i + y) / 4 + (x & 0x1F) + seed * 13) & 0xFF);
    }
  }
  tjhandle h = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  Bytes result;
  if (h && tjCompress2(h, rgb.data(), width, 0, height, TJPF_RGB, &out, &size, TJSAMP_420, quality,
                       0) == 0)
    result.assign(out, out + size);
  if (out) tjFree(out);
  if (h) tjDestroy(h);
  return result;
}

struct Community::Impl {
  httplib::Server server;
  std::thread thread;
  int port = 0;
  std::mutex m;
  std::vector<std::unique_ptr<MemberEntry>> members;
  std::map<std::string, std::string> home_pages;   // member -> body override
  std::map<std::string, std::string> album_pages;  // url -> body override
  std::map<std::string, Fault> faults;
  std::map<std::string, size_t> hit_count;
  std::string version_page;
  int next_album = 1000;

  std::string home_page(const MemberEntry& m) {
    std::string html = "<html><head><meta charset=\"" + std::string(m.utf8_home ? "utf-8" : "gbk") +
                       "\"><title>" + m.name + "</title></head><body><ul>\n";
    for (const AlbumEntry& a : m.albums) {
      std::string cover =
          a.pictures.empty() ? "http://img1.ph.126.net/none.jpg" : a.pictures[0].url;
      html += "<li><a class=\"img\" href=\"" + a.url + "\"><img imgUrl=\"" + cover +
              "\" onerror=\"this.src=http://img1.ph.126.net/blank.gif\"/></a> <div class=\"cover "
              "f-trans j-cover\" ></div> <a href=\"" +
              a.url + "\" title=\"" + a.title + "\"><em>" + a.title + "</em></a></li>\n";
    }
    html += "</ul></body></html>\n";
    return m.utf8_home ? html : gbk(html);
  }

  static std::string album_page(const AlbumEntry& a) {
    std::string html = "<html><head><title>" + a.title +
                       "</title></head><body><script>window.pic960List = {list:[";
    for (size_t i = 0; i < a.pictures.size(); ++i) {
      if (i) html += ",";
      html += "{seqindex:" + std::to_string(i) + ",pictureId:" + a.pictures[i].id + ",url:'" +
              a.pictures[i].url + "',title:''}";
    }
    html += "]};</script></body></html>\n";
    return html;
  }

  const PictureEntry* find_picture(const std::string& url) {
    for (auto& m : members)
      for (auto& a : m->albums)
        for (auto& p : a.pictures)
          if (p.url == url) return &p;
    return nullptr;
  }

  // Answers a request for `url`: its fault if one is set, else what is there, else 404.
  void answer(const std::string& host, const httplib::Request& req, httplib::Response& res) {
    std::string url = "http://" + host + req.path;
    std::unique_lock lock(m);
    ++hit_count[url];
    auto f = faults.find(url);
    if (f != faults.end()) {
      Fault& fault = f->second;
      if (fault.fail_times > 0) {
        --fault.fail_times;
        res.status = 503;
        return;
      }
      if (fault.status) {
        res.status = fault.status;
        res.set_content("<html><body>error</body></html>", "text/html");
        return;
      }
      if (fault.html) {
        res.set_content("<!DOCTYPE html><html><body>not a picture</body></html>", "image/jpeg");
        return;
      }
      if (fault.stall || fault.cut) {
        bool cut = fault.cut;
        res.set_content_provider(100000, "image/jpeg",
                                 [cut](size_t off, size_t, httplib::DataSink& sink) {
                                   if (off == 0) {
                                     sink.write("\xFF\xD8\xFF", 3);
                                     return true;
                                   }
                                   if (cut) return false;
                                   std::this_thread::sleep_for(std::chrono::milliseconds(100));
                                   return true;  // never completes
                                 });
        return;
      }
    }
    const std::string suffix = "." + std::string(community_host);
    if (host.size() > suffix.size() &&
        host.compare(host.size() - suffix.size(), suffix.size(), suffix) == 0 && req.path == "/") {
      std::string name = host.substr(0, host.size() - suffix.size());
      auto o = home_pages.find(name);
      if (o != home_pages.end()) {
        res.set_content(o->second, "text/html");
        return;
      }
      for (auto& mem : members) {
        if (mem->name != name) continue;
        res.set_content(home_page(*mem), mem->charset_in_meta ? "text/html"
                                         : mem->utf8_home     ? "text/html; charset=utf-8"
                                                              : "text/html; charset=GBK");
        return;
      }
      res.status = 404;
      return;
    }
    if (host == community_host) {
      auto o = album_pages.find(url);
      if (o != album_pages.end()) {
        res.set_content(o->second, "text/html; charset=utf-8");
        return;
      }
      for (auto& mem : members)
        for (auto& a : mem->albums)
          if (a.url == url) {
            res.set_content(album_page(a), "text/html; charset=utf-8");
            return;
          }
      if (req.path.rfind("/group/", 0) == 0) {
        res.set_content("<html><body>group</body></html>", "text/html");
        return;
      }
      res.status = 404;
      return;
    }
    if (host == thumbnail_host) {
      std::string img = req.get_param_value("imgurl");
      const std::string tail = "_100x100x1x95.jpg";
      if (img.size() > tail.size()) img.resize(img.size() - tail.size());
      if (find_picture(img) == nullptr) {
        res.status = 404;
        return;
      }
      lock.unlock();
      Bytes jpeg = make_jpeg(100, 100, static_cast<unsigned>(std::hash<std::string>{}(img)));
      res.set_content(std::string(jpeg.begin(), jpeg.end()), "image/jpeg");
      return;
    }
    if (req.path == "/albumfetch" && !version_page.empty()) {
      res.set_content(version_page, "text/html");
      return;
    }
    if (const PictureEntry* p = find_picture(url)) {
      res.set_content(std::string(p->jpeg.begin(), p->jpeg.end()), "image/jpeg");
      return;
    }
    res.status = 404;
  }
};

Community::Community() : impl_(std::make_unique<Impl>()) {
  // One request a connection: stopping the server then never waits on a client that
  // keeps its connections open, while a slow client still has seconds to send its
  // request (a wait of zero would close connections whose request is a moment late).
  impl_->server.set_keep_alive_max_count(1);
  impl_->server.set_keep_alive_timeout(3);
  impl_->server.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
    std::string host = req.get_header_value("Host");
    size_t colon = host.find(':');
    if (colon != std::string::npos) host.resize(colon);
    impl_->answer(host, req, res);
  });
}

Community::~Community() {
  stop();
}

MemberEntry& Community::add_member(const std::string& name, bool utf8_home) {
  std::lock_guard lock(impl_->m);
  impl_->members.push_back(std::make_unique<MemberEntry>(MemberEntry{name, {}, utf8_home}));
  return *impl_->members.back();
}

AlbumEntry& Community::add_album(MemberEntry& member, const std::string& title, int count,
                                 int width, int height) {
  std::lock_guard lock(impl_->m);
  AlbumEntry a;
  a.title = title;
  a.number = std::to_string(impl_->next_album++);
  a.url = "http://" + std::string(community_host) + "/" + member.name + "/pp/" + a.number + ".html";
  for (int i = 0; i < count; ++i) {
    PictureEntry p;
    p.id = a.number + std::to_string(100 + i);
    p.url = "http://img" + std::to_string(1 + i % 3) + ".ph.126.net/" + member.name + "/" + p.id +
            ".jpg";
    unsigned seed = static_cast<unsigned>(std::stoul(a.number) * 131 + static_cast<unsigned>(i));
    p.jpeg = make_jpeg(width + (i % 4) * 16, height + (i % 3) * 12, seed);
    a.pictures.push_back(std::move(p));
  }
  member.albums.push_back(std::move(a));
  return member.albums.back();
}

void Community::set_home_page(const std::string& member, std::string body) {
  std::lock_guard lock(impl_->m);
  impl_->home_pages[member] = std::move(body);
}

void Community::set_album_page(const std::string& url, std::string body) {
  std::lock_guard lock(impl_->m);
  impl_->album_pages[url] = std::move(body);
}

void Community::set_fault(const std::string& url, Fault fault) {
  std::lock_guard lock(impl_->m);
  impl_->faults[url] = fault;
}

void Community::set_version_page(std::string body) {
  std::lock_guard lock(impl_->m);
  impl_->version_page = std::move(body);
}

bool Community::start(int port) {
  if (port == 0) {
    impl_->port = impl_->server.bind_to_any_port("127.0.0.1");
  } else {
    impl_->port = impl_->server.bind_to_port("127.0.0.1", port) ? port : -1;
  }
  if (impl_->port <= 0) return false;
  impl_->thread = std::thread([this] { impl_->server.listen_after_bind(); });
  while (!impl_->server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

void Community::stop() {
  if (impl_->server.is_running()) impl_->server.stop();
  if (impl_->thread.joinable()) impl_->thread.join();
}

int Community::port() const {
  return impl_->port;
}
std::string Community::connect_to() const {
  return "127.0.0.1:" + std::to_string(impl_->port);
}
std::string Community::member_url(const std::string& name) {
  return "http://" + name + "." + std::string(community_host) + "/";
}

size_t Community::hits(const std::string& url) {
  std::lock_guard lock(impl_->m);
  auto it = impl_->hit_count.find(url);
  return it == impl_->hit_count.end() ? 0 : it->second;
}

}  // namespace af::community
