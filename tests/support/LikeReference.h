#pragma once
// LIKE as a plain backtracking walk over characters (% any run, _ one character, an optional
// escape), kept to check the fast matchers against. With needsRest a % that is not the
// pattern's last character never matches an empty remainder.

#include <string>

inline bool ReferenceLike(const std::u32string& t, std::size_t ti, const std::u32string& p, std::size_t pi,
                          char32_t esc, bool needsRest = true) {
  bool escaped = false;
  for (;;) {
    if (pi == p.size()) return ti == t.size();
    char32_t c = p[pi++];
    if (esc && !escaped && c == esc) {
      escaped = true;
      continue;
    }
    if (!escaped && c == U'%') {
      if (pi == p.size()) return true;
      for (std::size_t end = needsRest ? t.size() : t.size() + 1; ti < end; ++ti)
        if (ReferenceLike(t, ti, p, pi, esc, needsRest)) return true;
      return false;
    }
    if (ti == t.size()) return false;
    if ((escaped || c != U'_') && t[ti] != c) return false;
    ++ti;
    escaped = false;
  }
}
