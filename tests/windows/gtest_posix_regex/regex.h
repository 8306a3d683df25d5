// POSIX <regex.h> for the MinGW build of GoogleTest, over the POSIX
// extended grammar of std::regex. Without it GoogleTest falls back on
// Windows to its own tiny regular expressions (no brackets, groups or
// alternation), so MatchesRegex, ContainsRegex and death-test patterns would
// mean something else than on Linux. The Windows stage installs this header
// beside GoogleTest's and sets GTEST_HAS_POSIX_RE through GoogleTest's own
// customisation header, for GoogleTest and every test alike.
//
// Only what GoogleTest uses: regcomp, regexec, regfree and regerror, with
// REG_EXTENDED (always), REG_ICASE and REG_NOSUB; C++ only, all inline.
#ifndef VANTRO_TESTS_WINDOWS_GTEST_POSIX_REGEX_REGEX_H_
#define VANTRO_TESTS_WINDOWS_GTEST_POSIX_REGEX_REGEX_H_

#ifndef __cplusplus
#error "this <regex.h> is for C++ (GoogleTest) only"
#endif

#include <cstddef>
#include <cstring>
#include <new>
#include <regex>
#include <string>

typedef std::ptrdiff_t regoff_t;

typedef struct {
  std::size_t re_nsub;
  void* vantro_regex;  // the compiled std::regex
} regex_t;

typedef struct {
  regoff_t rm_so;
  regoff_t rm_eo;
} regmatch_t;

#define REG_EXTENDED 1
#define REG_ICASE 2
#define REG_NOSUB 4
#define REG_NEWLINE 8  // not supported: regcomp refuses it

#define REG_NOTBOL 1
#define REG_NOTEOL 2

#define REG_NOMATCH 1
#define REG_BADPAT 2
#define REG_ESPACE 12

namespace vantro_posix_regex {

// The extended pattern as glibc reads it, spelt for std::regex, which
// refuses escapes the POSIX grammar leaves undefined: outside bracket
// expressions "\]", "\}" and any other escaped ordinary character stand for
// the character itself, and GNU's \w, \W, \s and \S for their classes.
// `backreference` tells whether the pattern refers back to a group.
inline std::string FromGnuExtended(const char* pattern, bool* backreference) {
  static const char kSpecial[] = ".[\\()*+?{|^$";
  std::string out;
  *backreference = false;
  for (const char* p = pattern; *p != '\0'; ++p) {
    if (*p == '[') {  // a bracket expression, copied up to its closing ']'
      const char* q = p + 1;
      if (*q == '^') ++q;
      if (*q == ']') ++q;  // a leading ']' is a member
      while (*q != '\0' && *q != ']') {
        if (*q == '[' && (q[1] == ':' || q[1] == '=' || q[1] == '.')) {
          const char kind = q[1];
          const char* end = q + 2;
          while (*end != '\0' && !(end[0] == kind && end[1] == ']')) ++end;
          q = *end == '\0' ? end : end + 2;
        } else {
          ++q;
        }
      }
      if (*q == '\0') {  // unterminated: left for std::regex to refuse
        out.append(p);
        break;
      }
      out.append(p, q + 1);
      p = q;
      continue;
    }
    if (*p != '\\' || p[1] == '\0') {
      out.push_back(*p);
      continue;
    }
    const char c = *++p;
    if (std::strchr(kSpecial, c) != nullptr || (c >= '1' && c <= '9')) {
      if (c >= '1' && c <= '9') *backreference = true;
      out.push_back('\\');
      out.push_back(c);
    } else if (c == 'w') {
      out.append("[_[:alnum:]]");
    } else if (c == 'W') {
      out.append("[^_[:alnum:]]");
    } else if (c == 's') {
      out.append("[[:space:]]");
    } else if (c == 'S') {
      out.append("[^[:space:]]");
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace vantro_posix_regex

inline int regcomp(regex_t* preg, const char* pattern, int cflags) {
  if (preg == nullptr || pattern == nullptr || (cflags & REG_NEWLINE) != 0 ||
      (cflags & REG_EXTENDED) == 0) {
    return REG_BADPAT;  // basic expressions are not needed
  }
  std::regex::flag_type flags = std::regex::extended;
  if ((cflags & REG_ICASE) != 0) flags |= std::regex::icase;
  if ((cflags & REG_NOSUB) != 0) flags |= std::regex::nosubs;
  bool backreference = false;
  const std::string translated = vantro_posix_regex::FromGnuExtended(pattern, &backreference);
#if defined(__GLIBCXX__)
  // libstdc++ matches by backtracking unless asked for its automaton, which
  // is linear in the text: patterns like "(.|\n)*x(.|\n)*" on a long log
  // would otherwise take exponential time (glibc's matcher never does).
  if (!backreference) flags |= std::regex_constants::__polynomial;
#endif
  try {
    std::regex* compiled = new std::regex(translated, flags);
    preg->re_nsub = compiled->mark_count();
    preg->vantro_regex = compiled;
    return 0;
  } catch (const std::regex_error&) {
    return REG_BADPAT;
  } catch (const std::bad_alloc&) {
    return REG_ESPACE;
  }
}

inline int regexec(const regex_t* preg, const char* string, std::size_t nmatch,
                   regmatch_t* pmatch, int eflags) {
  if (preg == nullptr || preg->vantro_regex == nullptr || string == nullptr) return REG_NOMATCH;
  const std::regex& compiled = *static_cast<const std::regex*>(preg->vantro_regex);
  std::regex_constants::match_flag_type flags = std::regex_constants::match_default;
  if ((eflags & REG_NOTBOL) != 0) flags |= std::regex_constants::match_not_bol;
  if ((eflags & REG_NOTEOL) != 0) flags |= std::regex_constants::match_not_eol;
  std::cmatch match;
  try {
    if (!std::regex_search(string, match, compiled, flags)) return REG_NOMATCH;
  } catch (const std::regex_error&) {
    return REG_ESPACE;  // e.g. the matcher's complexity limit
  }
  for (std::size_t i = 0; pmatch != nullptr && i < nmatch; ++i) {
    if (i < match.size() && match[i].matched) {
      pmatch[i].rm_so = static_cast<regoff_t>(match.position(i));
      pmatch[i].rm_eo = pmatch[i].rm_so + static_cast<regoff_t>(match.length(i));
    } else {
      pmatch[i].rm_so = pmatch[i].rm_eo = -1;
    }
  }
  return 0;
}

inline void regfree(regex_t* preg) {
  if (preg == nullptr) return;
  delete static_cast<std::regex*>(preg->vantro_regex);
  preg->vantro_regex = nullptr;
}

inline std::size_t regerror(int errcode, const regex_t* /*preg*/, char* errbuf,
                            std::size_t errbuf_size) {
  const char* text = errcode == REG_NOMATCH ? "no match"
                     : errcode == REG_ESPACE ? "out of memory"
                                             : "invalid regular expression";
  const std::size_t needed = std::strlen(text) + 1;
  if (errbuf != nullptr && errbuf_size > 0) {
    const std::size_t length = needed < errbuf_size ? needed - 1 : errbuf_size - 1;
    std::memcpy(errbuf, text, length);
    errbuf[length] = '\0';
  }
  return needed;
}

#endif  // VANTRO_TESTS_WINDOWS_GTEST_POSIX_REGEX_REGEX_H_
