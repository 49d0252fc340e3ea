#include "platform/text.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

namespace presetra {

WString Utf8ToUtf16(std::string_view utf8) {
  WString out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  auto cont = [&](std::size_t k) {
    return i + k < utf8.size() && (static_cast<unsigned char>(utf8[i + k]) & 0xC0) == 0x80;
  };
  while (i < utf8.size()) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    char32_t cp = 0xFFFD;
    std::size_t len = 1;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0 && c >= 0xC2 && cont(1)) {
      cp = ((c & 0x1Fu) << 6) | (utf8[i + 1] & 0x3F);
      len = 2;
    } else if ((c & 0xF0) == 0xE0 && cont(1) && cont(2)) {
      char32_t v = ((c & 0x0Fu) << 12) | ((utf8[i + 1] & 0x3Fu) << 6) | (utf8[i + 2] & 0x3F);
      if (v >= 0x800 && (v < 0xD800 || v > 0xDFFF)) {
        cp = v;
        len = 3;
      }
    } else if ((c & 0xF8) == 0xF0 && cont(1) && cont(2) && cont(3)) {
      char32_t v = ((c & 0x07u) << 18) | ((utf8[i + 1] & 0x3Fu) << 12) |
                   ((utf8[i + 2] & 0x3Fu) << 6) | (utf8[i + 3] & 0x3F);
      if (v >= 0x10000 && v <= 0x10FFFF) {
        cp = v;
        len = 4;
      }
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += len;
  }
  return out;
}

std::string Utf16ToUtf8(WStringView utf16) {
  // Most texts are ASCII throughout, or up to a point: that part is copied unit by unit.
  std::size_t ascii = 0;
  while (ascii < utf16.size() && utf16[ascii] < 0x80) ++ascii;
  std::string out(ascii, '\0');
  for (std::size_t i = 0; i < ascii; ++i) out[i] = static_cast<char>(utf16[i]);
  if (ascii == utf16.size()) return out;
  out.reserve(utf16.size() + utf16.size() / 2);
  for (std::size_t i = ascii; i < utf16.size(); ++i) {
    char32_t cp = utf16[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

char16_t ToLowerChar(char16_t c) {
  if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  return c;
}

char16_t ToUpperChar(char16_t c) {
  if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  return c;
}

WString ToLower(WStringView text) {
  WString out(text);
  for (auto& c : out) c = ToLowerChar(c);
  return out;
}

WString ToUpper(WStringView text) {
  WString out(text);
  for (auto& c : out) c = ToUpperChar(c);
  return out;
}

namespace {

constexpr std::uint64_t EachUnit(std::uint16_t unit) {
  return unit * 0x0001000100010001ull;
}

// Four ASCII units, packed as they lie in memory, with a-z upper-cased. No unit is above 0x7F,
// so adding to one never carries into the next.
std::uint64_t UpperAscii(std::uint64_t units) {
  const std::uint64_t fromA = units + EachUnit(0x80 - u'a');      // 0x80 set: 'a' or above
  const std::uint64_t pastZ = units + EachUnit(0x80 - u'z' - 1);  // 0x80 set: above 'z'
  const std::uint64_t lower = fromA & ~pastZ & EachUnit(0x80);
  return units - (lower >> 2);
}

// How many units the two texts agree on before they may first differ, looked at four at a time
// (packed as they lie in memory) with `same`: registry and file paths share long prefixes.
template <typename Same>
std::size_t AgreeingRuns(WStringView a, WStringView b, Same same) {
  const std::size_t common = std::min(a.size(), b.size());
  std::size_t i = 0;
  for (; i + 4 <= common; i += 4) {
    std::uint64_t x;
    std::uint64_t y;
    std::memcpy(&x, a.data() + i, sizeof(x));
    std::memcpy(&y, b.data() + i, sizeof(y));
    if (!same(x, y)) break;
  }
  return i;
}

// The same, ignoring case while the units are ASCII (paths often differ in case only).
std::size_t SamePrefix(WStringView a, WStringView b) {
  return AgreeingRuns(a, b, [](std::uint64_t x, std::uint64_t y) {
    return x == y || (((x | y) & EachUnit(0xFF80)) == 0 && UpperAscii(x) == UpperAscii(y));
  });
}

}  // namespace

int CompareUnits(WStringView a, WStringView b) {
  const std::size_t common = std::min(a.size(), b.size());
  std::size_t i = AgreeingRuns(a, b, [](std::uint64_t x, std::uint64_t y) { return x == y; });
  for (; i < common; ++i) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool EqualsIgnoringCase(WStringView a, WStringView b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = SamePrefix(a, b); i < a.size(); ++i) {
    if (a[i] != b[i] && ToUpperChar(a[i]) != ToUpperChar(b[i])) return false;
  }
  return true;
}

int CompareIgnoringCase(WStringView a, WStringView b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = SamePrefix(a, b); i < common; ++i) {
    if (a[i] == b[i]) continue;
    const char16_t x = ToUpperChar(a[i]);
    const char16_t y = ToUpperChar(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool IsWideSpace(char16_t c) {
  return c == u' ' || (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

namespace {

void AppendNumber(WString& out, std::uint64_t magnitude, bool negative, std::size_t width,
                  bool zeroPad) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  std::size_t length = digits.size() + (negative ? 1 : 0);
  if (negative && zeroPad) out.push_back(u'-');
  for (; length < width; ++length) out.push_back(zeroPad ? u'0' : u' ');
  if (negative && !zeroPad) out.push_back(u'-');
  out += digits;
}

}  // namespace

WString FormatArgs(WStringView format, std::initializer_list<FormatArg> args) {
  WString out;
  auto next = args.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    char16_t c = format[i];
    if (c != u'%' || i + 1 >= format.size()) {
      out.push_back(c);
      continue;
    }
    ++i;
    if (format[i] == u'%') {
      out.push_back(u'%');
      continue;
    }
    bool zeroPad = false;
    if (format[i] == u'0') {
      zeroPad = true;
      ++i;
    }
    std::size_t width = 0;
    while (i < format.size() && format[i] >= u'0' && format[i] <= u'9') {
      width = width * 10 + (format[i] - u'0');
      ++i;
    }
    if (i >= format.size()) break;
    if (next == args.end()) continue;
    const FormatArg& arg = *next++;
    switch (format[i]) {
      case u's':
        if (auto* s = std::get_if<WStringView>(&arg)) out += s->substr(0, s->find(u'\0'));
        break;
      case u'd':
      case u'u': {
        std::int64_t value = 0;
        if (auto* s = std::get_if<std::int64_t>(&arg)) value = *s;
        if (auto* u = std::get_if<std::uint64_t>(&arg)) value = static_cast<std::int64_t>(*u);
        if (format[i] == u'd') {
          auto v32 = static_cast<std::int32_t>(value);
          std::uint64_t magnitude =
              v32 < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(v32)) : v32;
          AppendNumber(out, magnitude, v32 < 0, width, zeroPad);
        } else {
          AppendNumber(out, static_cast<std::uint32_t>(value), false, width, zeroPad);
        }
        break;
      }
      default:
        break;
    }
  }
  return out;
}

std::int32_t WideToLong(WStringView text) {
  std::size_t i = 0;
  while (i < text.size() && IsWideSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  std::int64_t value = 0;
  bool overflow = false;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > static_cast<std::int64_t>(INT32_MAX) + 1) overflow = true;
    if (overflow) value = static_cast<std::int64_t>(INT32_MAX) + 1;
  }
  if (negative) {
    value = -value;
    return value < INT32_MIN ? INT32_MIN : static_cast<std::int32_t>(value);
  }
  return value > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(value);
}

std::vector<std::uint8_t> Utf16LeBytes(WStringView text) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

WString TextOfUtf16Le(const std::uint8_t* data, std::size_t size) {
  WString text;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (unit == u'\0') break;
    text.push_back(unit);
  }
  return text;
}

bool EndsWithIgnoringCase(WStringView text, WStringView suffix) {
  return text.size() >= suffix.size() &&
         EqualsIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace presetra
