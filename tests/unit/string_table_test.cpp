// The module's string table: complete in every language, marks where they belong, and the
// resource look-up's choice of language.
#include "resources/string_table.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace presetra::resources {
namespace {

TEST(StringTableTest, HasFourStringsInEachOfThirtyTwoLanguages) {
  std::map<std::uint16_t, std::set<std::uint32_t>> ids;
  for (const auto& entry : StringTable()) ids[entry.language].insert(entry.id);
  EXPECT_EQ(ids.size(), 32u);
  for (const auto& [language, set] : ids) {
    EXPECT_EQ(set, (std::set<std::uint32_t>{6000, 6001, 6003, 6004})) << language;
  }
}

TEST(StringTableTest, KeepsTheDirectionMarksAndNoBreakSpaces) {
  EXPECT_EQ(FindString(6001, 1), u"\u200EVorlan Optimized \u200F(يوصى به)");
  EXPECT_EQ(FindString(6003, 1), u"\u200EVorlan Optimized (Modern Standby)");
  EXPECT_EQ(FindString(6003, 1037), u"Vorlan Optimized (Modern Standby)\u200E");
  EXPECT_EQ(FindString(6001, 1037), u"\u200EVorlan Optimized (מומלץ)");
  EXPECT_EQ(FindString(6004, 7), u"Vorlan\u00A0Empfehlung");
  EXPECT_EQ(FindString(6003, 1033), u"Vorlan Optimized (Modern Standby)");
  EXPECT_NE(FindString(6000, 1029)->find(u"a\u00A0spot"), WString::npos);
  for (const auto& entry : StringTable()) {
    if (entry.id == 6003) {
      WString plain(entry.text);
      std::erase(plain, u'\u200E');
      EXPECT_EQ(plain, u"Vorlan Optimized (Modern Standby)") << entry.language;
    }
  }
}

TEST(StringTableTest, LooksUpAsTheResourceLoaderDoes) {
  EXPECT_EQ(FindString(6004, 0x0407), u"Vorlan\u00A0Empfehlung") << "neutral German for de-DE";
  EXPECT_EQ(FindString(6004, 0x0C07), u"Vorlan\u00A0Empfehlung") << "and for de-AT";
  EXPECT_EQ(FindString(6004, 0x0816), u"Recomendado pela Vorlan") << "pt-PT exact";
  EXPECT_EQ(FindString(6004, 0x0809), u"Vorlan Recommended") << "en-GB falls back to en-US";
  EXPECT_EQ(FindString(6004, 0x0425 /* et-EE */), u"Vorlan soovitatav");
  EXPECT_EQ(FindString(6004, 0x042A /* vi-VN */), u"Vorlan Recommended");
  EXPECT_FALSE(FindString(6002, 0x0409).has_value());
}

}  // namespace
}  // namespace presetra::resources
