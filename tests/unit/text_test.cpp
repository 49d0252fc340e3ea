#include "platform/text.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/bytes_text.h"

namespace presetra {
namespace {

TEST(FormatTest, FormsTheSystemUses) {
  EXPECT_EQ(Format(u"Machine ID = %s", WString(u"62E6")), u"Machine ID = 62E6");
  EXPECT_EQ(Format(u"%s:%03u", WString(u"09:05:03"), 7u), u"09:05:03:007");
  EXPECT_EQ(Format(u"%d", -4), u"-4");
  EXPECT_EQ(Format(u"%d", 259200), u"259200");
  EXPECT_EQ(Format(u"%u", 6001u), u"6001");
  EXPECT_EQ(Format(u"LIKE \"%%%s%%\"", WString(u"PCI")), u"LIKE \"%PCI%\"");
  // A wide %s ends at the first NUL, as the CRT's does.
  EXPECT_EQ(Format(u"[%s]", WString(u"ab\0cd", 5)), u"[ab]");
  EXPECT_EQ(Format(u"%s and %s", WString(u"one")), u"one and ");
}

TEST(WideToLongTest, ReadsAsWcstolDoes) {
  struct Case {
    const char16_t* text;
    std::int32_t value;
  } cases[] = {
      {u"19041", 19041},
      {u"  19042", 19042},
      {u"-5", -5},
      {u"+7", 7},
      {u"1904x", 1904},
      {u"", 0},
      {u"abc", 0},
      {u"99999999999", 2147483647},
      {u"-99999999999", -2147483647 - 1},
  };
  for (const auto& c : cases) EXPECT_EQ(WideToLong(c.text), c.value) << Utf16ToUtf8(c.text);
}

TEST(Utf16Test, RoundTripsEveryPlane) {
  WString text = u"Vorlan \u200E\u00A0\u0E41\u0E19\U0001F600";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  EXPECT_EQ(Utf8ToUtf16("\xff"), u"\uFFFD");
  EXPECT_EQ(Utf16ToUtf8(WString(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

// Each encoding length at its last unit and the next one's first, alone and after ASCII (which
// is copied apart from the rest).
TEST(Utf16Test, EncodesEachLengthUpToItsBoundary) {
  const struct {
    WString utf16;
    std::string utf8;
  } cases[] = {
      {u"\u007F", "\x7F"},
      {u"\u0080", "\xC2\x80"},
      {u"a\u0080", "a\xC2\x80"},
      {u"\u07FF", "\xDF\xBF"},
      {u"\u0800", "\xE0\xA0\x80"},
      {u"\uFFFF", "\xEF\xBF\xBF"},
      {u"\U00010000", "\xF0\x90\x80\x80"},
      {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(HexBytes(reinterpret_cast<const std::uint8_t*>(c.utf8.data()), c.utf8.size()));
    EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
  }
}

TEST(CaseTest, FoldsAsciiAndLatin1Only) {
  EXPECT_EQ(ToLower(u"Intel(R) Wi-Fi 6 AX201"), u"intel(r) wi-fi 6 ax201");
  EXPECT_EQ(ToUpper(u"pci\\cc_0280"), u"PCI\\CC_0280");
  EXPECT_TRUE(EqualsIgnoringCase(u"Software\\Vorlan", u"SOFTWARE\\VORLAN"));
  EXPECT_FALSE(EqualsIgnoringCase(u"62E6", u"62E"));
}

// Comparing ignoring case is comparing the upper-cased texts, and comparing units is comparing
// the strings, wherever in a run of four units the first difference lies and whatever the units
// around it are.
TEST(CaseTest, ComparesAsTheStringsCompare) {
  const WString base = u"C:\\Windows\\System32\\powercfg.exe";
  const std::vector<std::pair<WString, WString>> pairs = {
      {base, ToUpper(base)},
      {base, ToLower(base)},
      {u"abc@", u"ABC`"},            // '@' and '`' sit just below 'A' and 'a'
      {u"abc[", u"ABC{"},            // '[' and '{' just above 'Z' and 'z'
      {u"abcz", u"ABCZ"},            // the last letter of a run of four
      {u"abcde", u"ABCDf"},          // the first unit of the second run
      {u"abcd", u"abcd\u00E9"},      // one text ends where the other's run begins
      {u"ab\u00E9d", u"AB\u00C9D"},  // Latin-1 in a run: folded unit by unit
      {u"ab\u00E9d", u"AB\u00C9E"},
      {u"ab\uFF41d", u"AB\uFF21D"},  // full-width letters are not folded
      {u"SUB_NONE", u"sub_nonf"},
      {u"", u"a"},
      {u"abc\uFFFFe", u"abc\u0001e"},  // units compare unsigned
      {u"abcd\uFFFF", u"abcd\u0001"},
      {u"abc\u0161", u"abc\u0141"},  // low bytes 'a' and 'A': not letters to fold
      {u"\u0161bcd", u"\u0141BCD"},
      {u"abcd", u"!\"#$"},           // 0x40 apart, as far as 'a' is from '!'
      {u"abc\u007F", u"ABC\u007F"},  // the last ASCII unit, and the first past it
      {u"abc\u0080", u"ABC\u0080"},
      {u"abc\u007F", u"abc\u0080"},
  };
  auto sign = [](int v) { return (v > 0) - (v < 0); };
  for (const auto& [a, b] : pairs) {
    SCOPED_TRACE(Utf16ToUtf8(a) + " vs " + Utf16ToUtf8(b));
    const int expected = sign(ToUpper(a).compare(ToUpper(b)));
    EXPECT_EQ(sign(CompareIgnoringCase(a, b)), expected) << Utf16ToUtf8(a) << " " << Utf16ToUtf8(b);
    EXPECT_EQ(sign(CompareIgnoringCase(b, a)), -expected) << Utf16ToUtf8(a);
    EXPECT_EQ(EqualsIgnoringCase(a, b), expected == 0) << Utf16ToUtf8(a) << " " << Utf16ToUtf8(b);
    EXPECT_EQ(sign(CompareUnits(a, b)), sign(a.compare(b)))
        << Utf16ToUtf8(a) << " " << Utf16ToUtf8(b);
    EXPECT_EQ(sign(CompareUnits(b, a)), sign(b.compare(a))) << Utf16ToUtf8(a);
  }
}

}  // namespace
}  // namespace presetra
