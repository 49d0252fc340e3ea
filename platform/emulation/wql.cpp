#include "platform/emulation/wql.h"

namespace presetra {

namespace {

// A WQL literal in double or single quotes, with backslash escapes.
bool ReadLiteral(WStringView text, std::size_t& i, WString* value) {
  if (i >= text.size() || (text[i] != u'"' && text[i] != u'\'')) return false;
  char16_t quote = text[i++];
  value->clear();
  for (; i < text.size(); ++i) {
    if (text[i] == u'\\' && i + 1 < text.size()) {
      value->push_back(text[++i]);
    } else if (text[i] == quote) {
      ++i;
      return true;
    } else {
      value->push_back(text[i]);
    }
  }
  return false;
}

void SkipBlanks(WStringView text, std::size_t& i) {
  while (i < text.size() && IsWideSpace(text[i])) ++i;
}

WString ReadWord(WStringView text, std::size_t& i) {
  SkipBlanks(text, i);
  std::size_t start = i;
  while (i < text.size() &&
         (text[i] == u'_' || text[i] == u'*' || (text[i] >= u'0' && text[i] <= u'9') ||
          (ToUpperChar(text[i]) >= u'A' && ToUpperChar(text[i]) <= u'Z'))) {
    ++i;
  }
  return WString(text.substr(start, i - start));
}

}  // namespace

bool ParseWqlQuery(WStringView text, WqlQuery* query) {
  std::size_t i = 0;
  if (!EqualsIgnoringCase(ReadWord(text, i), u"SELECT")) return false;
  if (ReadWord(text, i) != u"*") return false;
  if (!EqualsIgnoringCase(ReadWord(text, i), u"FROM")) return false;
  query->className = ReadWord(text, i);
  if (query->className.empty()) return false;
  SkipBlanks(text, i);
  if (i == text.size()) return true;
  if (!EqualsIgnoringCase(ReadWord(text, i), u"WHERE")) return false;
  query->property = ReadWord(text, i);
  if (query->property.empty()) return false;
  SkipBlanks(text, i);
  if (i < text.size() && text[i] == u'=') {
    ++i;
  } else if (EqualsIgnoringCase(ReadWord(text, i), u"LIKE")) {
    query->like = true;
  } else {
    return false;
  }
  SkipBlanks(text, i);
  if (!ReadLiteral(text, i, &query->value)) return false;
  SkipBlanks(text, i);
  return i == text.size();
}

bool WqlLike(WStringView text, WStringView pattern) {
  // One pattern element at p matches text[t]: "_", a set "[...]" (with "a-z" ranges and a
  // leading "^" for "none of"), or a letter ignoring case. `next` receives the element's end.
  auto matchOne = [&](std::size_t p, char16_t c, std::size_t* next) {
    if (pattern[p] == u'[') {
      std::size_t close = pattern.find(u']', p + 2);
      if (close != WStringView::npos) {
        std::size_t i = p + 1;
        bool negate = pattern[i] == u'^' && close > i + 1;
        if (negate) ++i;
        bool found = false;
        for (; i < close; ++i) {
          if (i + 2 < close && pattern[i + 1] == u'-') {
            found = found || (ToUpperChar(c) >= ToUpperChar(pattern[i]) &&
                              ToUpperChar(c) <= ToUpperChar(pattern[i + 2]));
            i += 2;
          } else {
            found = found || ToUpperChar(pattern[i]) == ToUpperChar(c);
          }
        }
        *next = close + 1;
        return found != negate;
      }
    }
    *next = p + 1;
    return pattern[p] == u'_' || ToUpperChar(pattern[p]) == ToUpperChar(c);
  };
  // Iterative wildcard match with backtracking to the last '%'.
  std::size_t t = 0, p = 0, star = WStringView::npos, mark = 0;
  while (t < text.size()) {
    std::size_t next = 0;
    if (p < pattern.size() && pattern[p] != u'%' && matchOne(p, text[t], &next)) {
      ++t;
      p = next;
    } else if (p < pattern.size() && pattern[p] == u'%') {
      star = p++;
      mark = t;
    } else if (star != WStringView::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'%') ++p;
  return p == pattern.size();
}

}  // namespace presetra
