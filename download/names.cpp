#include "download/names.h"

#include "platform/codepage.h"
#include "platform/program.h"

namespace af {
namespace {

constexpr size_t max_name_utf8 = 255;

// Cuts a GBK text so that its UTF-8 form fits the limit, never inside a character.
Text shorten(std::string_view gbk, size_t limit) {
  if (gbk_to_utf8(gbk).size() <= limit) return Text(gbk);
  Text out;
  size_t utf8 = 0;
  for (size_t i = 0; i < gbk.size();) {
    size_t len = is_lead_byte(static_cast<unsigned char>(gbk[i])) ? 2 : 1;
    if (i + len > gbk.size()) break;
    size_t w = gbk_to_utf8(gbk.substr(i, len)).size();
    if (utf8 + w > limit) break;
    out.append(gbk.substr(i, len));
    utf8 += w;
    i += len;
  }
  return out;
}

}  // namespace

Text clean_title(std::string_view title) {
  static const Text removed[] = {":",       "\\",      "/",       "?",       "*",
                                 "<",       ">",       "|",       GBK("："), GBK("、"),
                                 GBK("？"), GBK("。"), GBK("（"), GBK("）"), GBK("·"),
                                 GBK("！"), GBK("，"), ".",       " "};
  Text t(title);
  for (const Text& r : removed) t = replace_text(t, r, "", {}, {}, true);
  return t;
}

Text safe_name(std::string_view name) {
  Text out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size();) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (is_lead_byte(c)) {
      if (i + 1 >= name.size()) break;  // a dangling lead byte is no character
      out.append(name.substr(i, 2));
      i += 2;
      continue;
    }
    if (c != '/' && c != '\\' && c >= 0x20 && c != 0x7F) out.push_back(static_cast<char>(c));
    ++i;
  }
  while (find_text(out, "..") != -1) out = replace_text(out, "..", ".");
  if (out == ".") out.clear();
  return shorten(out, max_name_utf8);
}

Text album_folder(std::string_view save_location, std::string_view owner,
                  std::string_view cleaned_title) {
  Text o = safe_name(owner);
  if (o.empty()) o.push_back('_');
  // An empty title is no folder of its own: the pictures go into the owner's folder.
  Text folder = save_location.empty() ? program_directory() : Text(save_location);
  folder.append("\\").append(o).append("\\").append(safe_name(cleaned_title));
  return folder;
}

Text picture_file_name(int i, std::string_view picture_id) {
  Text id = safe_name(picture_id);
  Text number = to_text(i);
  // Leave room for the number and the extension.
  id = shorten(id, max_name_utf8 - number.size() - 4);
  return number + id + ".jpg";
}

}  // namespace af
