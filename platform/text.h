// The one string type of the system: UTF-16, as Windows keeps text. Lengths that formats count in
// UTF-16 units are counted here in the same units on every build, so nothing depends on the
// width of wchar_t.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace presetra {

using WString = std::u16string;
using WStringView = std::u16string_view;

// UTF-8 to UTF-16. Invalid sequences become U+FFFD, as Windows' converter does.
WString Utf8ToUtf16(std::string_view utf8);
// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(WStringView utf16);

// Lower- and upper-casing of the kind towlower/towupper perform in the "C" locale of the
// Windows CRT: ASCII letters and the Latin-1 letters.
char16_t ToLowerChar(char16_t c);
char16_t ToUpperChar(char16_t c);
WString ToLower(WStringView text);
WString ToUpper(WStringView text);
// Equality ignoring case as Windows compares registry and file names (per unit, upper-cased).
bool EqualsIgnoringCase(WStringView a, WStringView b);
// The order of the upper-cased texts, without making them: negative, zero or positive.
int CompareIgnoringCase(WStringView a, WStringView b);
// The order std::u16string gives the texts (unit by unit), found four units at a time.
int CompareUnits(WStringView a, WStringView b);
// A map or set keyed by upper-cased text, ordered as std::less orders such keys, and searched
// with text of any case without upper-casing it first.
struct LessIgnoringCase {
  using is_transparent = void;
  bool operator()(WStringView a, WStringView b) const { return CompareIgnoringCase(a, b) < 0; }
};
// iswspace of the Windows CRT.
bool IsWideSpace(char16_t c);

// One argument of Format: a text, a signed or an unsigned integer.
using FormatArg = std::variant<WStringView, std::int64_t, std::uint64_t>;

// printf-style formatting for the few forms the system uses: %s, %d, %u, %03u (a zero flag and
// a width), and %%. A directive without a matching argument is dropped; surplus arguments are
// ignored. The system's format texts are all fixed literals.
WString FormatArgs(WStringView format, std::initializer_list<FormatArg> args);

inline FormatArg ToFormatArg(const WString& s) {
  return WStringView(s);
}
inline FormatArg ToFormatArg(WStringView s) {
  return s;
}
inline FormatArg ToFormatArg(const char16_t* s) {
  return WStringView(s);
}
inline FormatArg ToFormatArg(int v) {
  return static_cast<std::int64_t>(v);
}
inline FormatArg ToFormatArg(long v) {
  return static_cast<std::int64_t>(v);
}
inline FormatArg ToFormatArg(long long v) {
  return static_cast<std::int64_t>(v);
}
inline FormatArg ToFormatArg(unsigned v) {
  return static_cast<std::uint64_t>(v);
}
inline FormatArg ToFormatArg(unsigned long v) {
  return static_cast<std::uint64_t>(v);
}
inline FormatArg ToFormatArg(unsigned long long v) {
  return static_cast<std::uint64_t>(v);
}

template <typename... Args>
WString Format(WStringView format, const Args&... args) {
  return FormatArgs(format, {ToFormatArg(args)...});
}

// The text's units as UTF-16LE bytes, without a terminating NUL.
std::vector<std::uint8_t> Utf16LeBytes(WStringView text);

// The UTF-16LE text of a byte buffer up to its first NUL unit (or its end; an odd last byte is
// not a unit).
WString TextOfUtf16Le(const std::uint8_t* data, std::size_t size);

// Whether `text` ends with `suffix`, ignoring case as EqualsIgnoringCase does.
bool EndsWithIgnoringCase(WStringView text, WStringView suffix);

// wcstol with base 10: leading white space, an optional sign, decimal digits up to the first
// other character; 0 when there are none. Values beyond the 32-bit range clamp as wcstol does.
std::int32_t WideToLong(WStringView text);

}  // namespace presetra
