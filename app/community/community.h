// A small stand-in for the photo community, served on loopback: member home pages, album
// pages, pictures, the thumbnail service, group pages and the version page, with scripted
// faults. Connections reach it through the connect-to setting, so addresses and Host
// headers stay those of the real hosts.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "text/text.h"

namespace af::community {

struct PictureEntry {
  std::string id;
  std::string url;
  Bytes jpeg;
};

struct AlbumEntry {
  std::string title;   // UTF-8
  std::string number;  // the album page's number
  std::string url;     // its page address
  std::vector<PictureEntry> pictures;
};

struct MemberEntry {
  std::string name;
  std::vector<AlbumEntry> albums;
  bool utf8_home = false;        // serve the home page as UTF-8 instead of GBK
  bool charset_in_meta = false;  // say so only in a meta tag, not in Content-Type
};

struct Fault {
  int fail_times = 0;  // answer with an empty 503 this many times first
  int status = 0;      // answer with this status (and a small body) every time
  bool html = false;   // answer with an HTML page instead of the picture
  bool stall = false;  // send part of the body, then stall
  bool cut = false;    // send part of the body, then close
};

// Picture bytes of about width x height pixels, distinct for every seed.
Bytes make_jpeg(int width, int height, unsigned seed, int quality = 85);

class Community {
 public:
  Community();
  ~Community();
  MemberEntry& add_member(const std::string& name, bool utf8_home = false);
  // Adds an album with `count` generated pictures.
  AlbumEntry& add_album(MemberEntry& member, const std::string& title_utf8, int count,
                        int width = 320, int height = 240);
  void set_home_page(const std::string& member, std::string body);  // replaces the markup
  void set_album_page(const std::string& url, std::string body);
  void set_fault(const std::string& url, Fault fault);
  void set_version_page(std::string body);

  bool start(int port = 0);  // 0: any free port on 127.0.0.1
  void stop();
  int port() const;
  std::string connect_to() const;  // "127.0.0.1:PORT"
  static std::string member_url(const std::string& name);
  size_t hits(const std::string& url);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace af::community
