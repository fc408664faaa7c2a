// Regular-expression object over PCRE2. GBK texts go in and come out; matching runs on
// the UTF-8 form of the subject, which ends with one zero character as the pages' own
// engine saw it. Match and group numbers count from 1.
#pragma once

#include <memory>
#include <vector>

#include "text/text.h"

namespace af {

class RegexObject {
 public:
  RegexObject();
  ~RegexObject();
  RegexObject(const RegexObject&) = delete;
  RegexObject& operator=(const RegexObject&) = delete;

  // False when the pattern is invalid or the search ran into its resource limits; a search
  // that merely finds nothing is true with a match count of 0.
  bool search(std::string_view pattern, std::string_view subject, bool case_sensitive = false,
              bool multiline = true, bool global = true, bool quote_token = false);
  Text get_pattern() const;
  Text replace(std::string_view replacement = {}) const;
  int match_count() const;
  Text match_text(int match, int* position = nullptr) const;
  Text submatch_text(int match, int group, int* position = nullptr) const;
  int submatch_count() const;
  // Why the last search failed: true when it hit a limit (not for an invalid pattern).
  bool hit_limit() const { return hit_limit_; }

 private:
  struct Span {
    long start = -1, end = -1;
  };
  struct Compiled;
  std::unique_ptr<Compiled> compiled_;
  std::string subject_;  // UTF-8, with its final zero
  Text pattern_;
  std::vector<std::vector<Span>> matches_;
  bool searched_ = false;
  bool global_ = true;
  bool hit_limit_ = false;
  int position_of(const Text& found, const Span& span) const;
};

}  // namespace af
