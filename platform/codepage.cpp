#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>

namespace af {
namespace {

// GB18030: byte-identical to GBK for every GBK character, and it holds all of Unicode in
// four-byte sequences, so no title, name or path is ever lost.
constexpr const char* program_code_page = "GB18030";

// Length of a valid UTF-8 sequence at p, or 0 when the bytes there are not one.
size_t utf8_seq_len(const unsigned char* p, size_t left) {
  unsigned char c = p[0];
  if (c < 0x80) return 1;
  size_t n;
  unsigned min;
  unsigned cp;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2, min = 0x80, cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3, min = 0x800, cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4, min = 0x10000, cp = c & 0x07;
  } else {
    return 0;
  }
  if (left < n) return 0;
  for (size_t i = 1; i < n; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (p[i] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

struct Iconv {
  iconv_t cd;
  Iconv(const char* to, const char* from) : cd(iconv_open(to, from)) {}
  ~Iconv() {
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  }
  bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

// Converts one run of valid UTF-8 to the program's code page ("?" only for what it
// cannot hold, which for GB18030 is nothing).
void convert_run(Iconv& cv, const unsigned char* p, size_t n, Text& out) {
  char* in = reinterpret_cast<char*>(const_cast<unsigned char*>(p));
  size_t in_left = n;
  char buf[16384];
  while (in_left > 0) {
    char* o = buf;
    size_t o_left = sizeof buf;
    size_t r = iconv(cv.cd, &in, &in_left, &o, &o_left);
    out.append(buf, static_cast<size_t>(o - buf));
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ: a character GBK cannot hold; skip it whole.
      size_t len = utf8_seq_len(reinterpret_cast<unsigned char*>(in), in_left);
      if (len == 0) len = 1;
      out.push_back('?');
      in += len;
      in_left -= len;
      iconv(cv.cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
}

bool plain_ascii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80 || c == 0) return false;
  return true;
}

}  // namespace

Text utf8_to_gbk(std::string_view utf8) {
  // ASCII is the same in both code pages; most addresses and headers are nothing else.
  if (plain_ascii(utf8)) return Text(utf8);
  Text out;
  out.reserve(utf8.size());
  Iconv cv(program_code_page, "UTF-8");
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  size_t n = utf8.size();
  size_t i = 0, run = 0;
  auto flush = [&](size_t end) {
    if (end > run) {
      if (cv.ok()) {
        convert_run(cv, p + run, end - run, out);
      } else {
        for (size_t k = run; k < end; ++k) out.push_back(p[k] < 0x80 ? char(p[k]) : '?');
      }
    }
  };
  while (i < n) {
    if (p[i] == 0) break;  // a text ends at its first zero
    // ASCII runs need no conversion; copy them straight through.
    if (p[i] < 0x80) {
      size_t j = i;
      while (j < n && p[j] < 0x80 && p[j] != 0) ++j;
      flush(i);
      out.append(reinterpret_cast<const char*>(p + i), j - i);
      i = run = j;
      continue;
    }
    size_t len = utf8_seq_len(p + i, n - i);
    if (len == 0) {
      flush(i);
      out.push_back('?');  // U+FFFD has no GBK form
      ++i;
      // Skip the continuation bytes of the broken sequence, as one replacement.
      while (i < n && (p[i] & 0xC0) == 0x80) ++i;
      run = i;
      continue;
    }
    i += len;
  }
  flush(i);
  size_t z = out.find('\0');
  if (z != Text::npos) out.resize(z);
  return out;
}

bool is_multibyte_utf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  bool multibyte = false;
  for (size_t i = 0; i < bytes.size();) {
    size_t len = utf8_seq_len(p + i, bytes.size() - i);
    if (len == 0) return false;
    multibyte |= len > 1;
    i += len;
  }
  return multibyte;
}

Text utf8_to_gbk(const Bytes& bytes) {
  return utf8_to_gbk(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

namespace {

constexpr unsigned byte_stand_in = 0x10FF00;

// GB18030 spells every supplementary code point as four bytes counted from U+10000.
void append_gb18030_supplementary(unsigned cp, Text& out) {
  unsigned idx = cp - 0x10000;
  out.push_back(static_cast<char>(0x90 + idx / 12600));
  out.push_back(static_cast<char>(0x30 + idx / 1260 % 10));
  out.push_back(static_cast<char>(0x81 + idx / 10 % 126));
  out.push_back(static_cast<char>(0x30 + idx % 10));
}

// U+10FF80..U+10FFFF in UTF-8: F4 8F BE|BF xx.
bool stand_in_at(const std::string& u, size_t i, unsigned char& byte) {
  if (i + 4 > u.size() || static_cast<unsigned char>(u[i]) != 0xF4 ||
      static_cast<unsigned char>(u[i + 1]) != 0x8F)
    return false;
  auto b2 = static_cast<unsigned char>(u[i + 2]), b3 = static_cast<unsigned char>(u[i + 3]);
  if ((b2 != 0xBE && b2 != 0xBF) || (b3 & 0xC0) != 0x80) return false;
  byte = static_cast<unsigned char>(0x80 | ((b2 & 1) << 6) | (b3 & 0x3F));
  return true;
}

std::string convert_to_utf8(std::string_view gbk);

// Rewrites the stand-ins of a converted text: back to their bytes, or to U+FFFD.
std::string replace_stand_ins(std::string u, bool to_bytes) {
  if (u.find('\xF4') == std::string::npos) return u;
  std::string out;
  out.reserve(u.size());
  for (size_t i = 0; i < u.size();) {
    unsigned char b = 0;
    if (stand_in_at(u, i, b)) {
      if (to_bytes) {
        out.push_back(static_cast<char>(b));
      } else {
        out.append("\xEF\xBF\xBD");
      }
      i += 4;
    } else {
      out.push_back(u[i++]);
    }
  }
  return out;
}

}  // namespace

Text native_to_text(std::string_view native) {
  if (plain_ascii(native)) return Text(native);
  Text out;
  const auto* p = reinterpret_cast<const unsigned char*>(native.data());
  size_t n = native.size(), i = 0, run = 0;
  while (i < n) {
    size_t len = p[i] == 0 ? 0 : utf8_seq_len(p + i, n - i);
    if (len > 0 && p[i] >= 0x80) {
      i += len;
      continue;
    }
    if (len == 1) {
      ++i;
      continue;
    }
    out += utf8_to_gbk(native.substr(run, i - run));
    if (p[i] != 0) append_gb18030_supplementary(byte_stand_in + p[i], out);
    run = ++i;
  }
  out += utf8_to_gbk(native.substr(run, i - run));
  return out;
}

std::string text_to_native(std::string_view text) {
  return replace_stand_ins(convert_to_utf8(text), true);
}

std::string gbk_to_utf8(std::string_view gbk) {
  return replace_stand_ins(convert_to_utf8(gbk), false);
}

namespace {

std::string convert_to_utf8(std::string_view gbk) {
  if (plain_ascii(gbk)) return std::string(gbk);
  std::string out;
  out.reserve(gbk.size() + gbk.size() / 2);
  Iconv cv("UTF-8", program_code_page);
  char* in = const_cast<char*>(gbk.data());
  size_t in_left = gbk.size();
  char buf[16384];
  while (in_left > 0) {
    char* o = buf;
    size_t o_left = sizeof buf;
    size_t r = cv.ok() ? iconv(cv.cd, &in, &in_left, &o, &o_left) : static_cast<size_t>(-1);
    out.append(buf, static_cast<size_t>(o - buf));
    if (r != static_cast<size_t>(-1)) continue;
    if (cv.ok() && errno == E2BIG) continue;
    // A byte pair the code page does not define, a dangling lead byte, or a lone 0x80
    // or 0xFF, which lead nothing.
    unsigned char c = static_cast<unsigned char>(*in);
    size_t skip = (is_lead_byte(c) && in_left >= 2) ? 2 : 1;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      out.append("\xEF\xBF\xBD");
    }
    in += skip;
    in_left -= skip;
    if (cv.ok()) iconv(cv.cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

}  // namespace

}  // namespace af
