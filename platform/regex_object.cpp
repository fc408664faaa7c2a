#define PCRE2_CODE_UNIT_WIDTH 8
#include "platform/regex_object.h"

#include <pcre2.h>

#include "platform/codepage.h"

namespace af {
namespace {

// Generous for real pages (a whole album page on one line), tight enough that no subject
// or pattern can run a search away or exhaust memory.
constexpr uint32_t match_limit = 200'000'000;
constexpr uint32_t depth_limit = 200'000;
constexpr uint32_t heap_limit_kib = 256 * 1024;

}  // namespace

struct RegexObject::Compiled {
  pcre2_code* code = nullptr;
  ~Compiled() {
    if (code) pcre2_code_free(code);
  }
};

RegexObject::RegexObject() = default;
RegexObject::~RegexObject() = default;

bool RegexObject::search(std::string_view pattern, std::string_view subject, bool case_sensitive,
                         bool multiline, bool global, bool quote_token) {
  compiled_.reset();
  matches_.clear();
  searched_ = true;
  global_ = global;
  hit_limit_ = false;
  pattern_ = quote_token ? replace_text(pattern, quote_marker, "\"") : Text(pattern);
  subject_ = gbk_to_utf8(subject);
  subject_.push_back('\0');

  std::string upat = gbk_to_utf8(pattern_);
  pcre2_compile_context* cctx = pcre2_compile_context_create(nullptr);
  pcre2_set_newline(cctx, PCRE2_NEWLINE_LF);
  uint32_t options = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF;
  if (!case_sensitive) options |= PCRE2_CASELESS;
  if (multiline) options |= PCRE2_MULTILINE;
  int err = 0;
  PCRE2_SIZE erroff = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(upat.data()), upat.size(), options,
                                   &err, &erroff, cctx);
  pcre2_compile_context_free(cctx);
  if (!code) return false;
  compiled_ = std::make_unique<Compiled>();
  compiled_->code = code;
  bool jit = pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) == 0;

  pcre2_match_context* mctx = pcre2_match_context_create(nullptr);
  pcre2_set_match_limit(mctx, match_limit);
  pcre2_set_depth_limit(mctx, depth_limit);
  pcre2_set_heap_limit(mctx, heap_limit_kib);
  pcre2_jit_stack* jstack =
      jit ? pcre2_jit_stack_create(32 * 1024, 8 * 1024 * 1024, nullptr) : nullptr;
  if (jstack) pcre2_jit_stack_assign(mctx, nullptr, jstack);
  pcre2_match_data* md = pcre2_match_data_create_from_pattern(code, nullptr);

  const auto* s = reinterpret_cast<PCRE2_SPTR>(subject_.data());
  const PCRE2_SIZE len = subject_.size();
  PCRE2_SIZE offset = 0;
  uint32_t flags = 0;
  bool ok = true;
  while (offset <= len) {
    int rc = pcre2_match(code, s, len, offset, flags, md, mctx);
    if (rc == PCRE2_ERROR_NOMATCH) {
      if (flags == 0) break;
      // An empty match was refused at this spot: step one character and go on.
      flags = 0;
      ++offset;
      while (offset < len && (subject_[offset] & 0xC0) == 0x80) ++offset;
      continue;
    }
    if (rc < 0) {
      ok = false;
      hit_limit_ = rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT ||
                   rc == PCRE2_ERROR_HEAPLIMIT || rc == PCRE2_ERROR_JIT_STACKLIMIT ||
                   rc == PCRE2_ERROR_NOMEMORY;
      break;
    }
    PCRE2_SIZE* ov = pcre2_get_ovector_pointer(md);
    uint32_t pairs = pcre2_get_ovector_count(md);
    std::vector<Span> m(pairs);
    for (uint32_t i = 0; i < pairs; ++i) {
      if (i < static_cast<uint32_t>(rc) && ov[2 * i] != PCRE2_UNSET)
        m[i] = Span{static_cast<long>(ov[2 * i]), static_cast<long>(ov[2 * i + 1])};
    }
    matches_.push_back(std::move(m));
    if (!global) break;
    offset = ov[1];
    flags = (ov[0] == ov[1]) ? (PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED) : 0;
  }
  pcre2_match_data_free(md);
  if (jstack) pcre2_jit_stack_free(jstack);
  pcre2_match_context_free(mctx);
  if (!ok) matches_.clear();
  return ok;
}

Text RegexObject::get_pattern() const {
  return compiled_ ? pattern_ : Text();
}

Text RegexObject::replace(std::string_view replacement) const {
  if (!compiled_) return {};
  std::string rep = gbk_to_utf8(replacement);
  uint32_t opts = PCRE2_SUBSTITUTE_OVERFLOW_LENGTH | (global_ ? PCRE2_SUBSTITUTE_GLOBAL : 0);
  PCRE2_SIZE out_len = subject_.size() * 2 + rep.size() + 64;
  std::string out;
  for (int attempt = 0; attempt < 2; ++attempt) {
    out.assign(out_len, '\0');
    PCRE2_SIZE n = out_len;
    int rc = pcre2_substitute(compiled_->code, reinterpret_cast<PCRE2_SPTR>(subject_.data()),
                              subject_.size(), 0, opts, nullptr, nullptr,
                              reinterpret_cast<PCRE2_SPTR>(rep.data()), rep.size(),
                              reinterpret_cast<PCRE2_UCHAR*>(out.data()), &n);
    if (rc >= 0) {
      out.resize(n);
      return utf8_to_gbk(out);
    }
    if (rc != PCRE2_ERROR_NOMEMORY) return {};
    out_len = n + 1;
  }
  return {};
}

int RegexObject::match_count() const {
  return static_cast<int>(matches_.size());
}

int RegexObject::position_of(const Text& found, const Span& span) const {
  // The match's start in UTF-16 units, then the found text searched from there in the
  // GBK subject: a 0-based byte offset, or -2 when not found.
  long units = 0;
  for (long i = 0; i < span.start && i < static_cast<long>(subject_.size()); ++i) {
    unsigned char c = static_cast<unsigned char>(subject_[static_cast<size_t>(i)]);
    if ((c & 0xC0) != 0x80) units += (c >= 0xF0) ? 2 : 1;
  }
  Text gbk_subject = utf8_to_gbk(subject_);
  return find_text(gbk_subject, found, static_cast<int>(units)) - 1;
}

Text RegexObject::match_text(int match, int* position) const {
  if (match < 1 || match > match_count()) return {};
  const Span& sp = matches_[static_cast<size_t>(match) - 1][0];
  Text t = utf8_to_gbk(std::string_view(subject_).substr(static_cast<size_t>(sp.start),
                                                         static_cast<size_t>(sp.end - sp.start)));
  if (position) *position = position_of(t, sp);
  return t;
}

Text RegexObject::submatch_text(int match, int group, int* position) const {
  if (match < 1 || match > match_count()) return {};
  const auto& m = matches_[static_cast<size_t>(match) - 1];
  if (group < 1 || static_cast<size_t>(group) >= m.size()) return {};
  const Span& sp = m[static_cast<size_t>(group)];
  if (sp.start < 0) return {};
  Text t = utf8_to_gbk(std::string_view(subject_).substr(static_cast<size_t>(sp.start),
                                                         static_cast<size_t>(sp.end - sp.start)));
  if (position) *position = position_of(t, sp);
  return t;
}

int RegexObject::submatch_count() const {
  if (matches_.empty()) return 0;
  return static_cast<int>(matches_[0].size()) - 1;
}

}  // namespace af
