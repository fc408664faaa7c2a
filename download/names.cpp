#include "download/names.h"

#include "platform/codepage.h"
#include "platform/program.h"

namespace af {

Text shorten_to(std::string_view text, size_t limit) {
  if (gbk_to_utf8(text).size() <= limit) return Text(text);
  Text out;
  size_t utf8 = 0;
  for (size_t i = 0; i < text.size();) {
    size_t len = char_size(text, i);
    if (len == 0) break;
    size_t w = gbk_to_utf8(text.substr(i, len)).size();
    if (utf8 + w > limit) break;
    out.append(text.substr(i, len));
    utf8 += w;
    i += len;
  }
  return out;
}

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
    size_t len = char_size(name, i);
    if (len == 0) break;  // a dangling lead byte is no character
    if (len > 1) {
      out.append(name.substr(i, len));
      i += len;
      continue;
    }
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (c != '/' && c != '\\' && c >= 0x20 && c != 0x7F) out.push_back(static_cast<char>(c));
    ++i;
  }
  while (find_text(out, "..") != -1) out = replace_text(out, "..", ".");
  if (out == ".") out.clear();
  return shorten_to(out, max_name_utf8);
}

Text numbered_title(std::string_view title, int number) {
  Text n = to_text(number);
  return shorten_to(title, max_name_utf8 - n.size()) + n;
}

Text album_folder(std::string_view save_location, std::string_view owner,
                  std::string_view cleaned_title) {
  Text o = safe_name(owner);
  if (o.empty()) o.push_back('_');
  // An empty title is no folder of its own: the pictures go into the owner's folder.
  Text folder = resolve_save_location(save_location);
  folder.append("\\").append(o).append("\\").append(safe_name(cleaned_title));
  return folder;
}

Text picture_file_name(int i, std::string_view picture_id) {
  Text number = to_text(i);
  // Leave room for the number and the extension.
  Text id = shorten_to(safe_name(picture_id), max_picture_name_utf8 - number.size() - 4);
  return number + id + ".jpg";
}

Text distinct_name(const Text& name, std::set<Text>& taken, size_t limit,
                   std::string_view extension) {
  if (taken.insert(name).second) return name;
  Text stem = name.substr(0, name.size() - extension.size());
  for (int k = 2;; ++k) {
    Text suffix = " (" + to_text(k) + ")" + Text(extension);
    Text candidate = shorten_to(stem, limit - suffix.size()) + suffix;
    if (taken.insert(candidate).second) return candidate;
  }
}

}  // namespace af
