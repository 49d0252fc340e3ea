// The simulated powercfg keeps schemes as Windows does and refuses what Windows refuses.
#include <gtest/gtest.h>

#include "platform/emulation/powercfg/interpreter.h"
#include "power/setting_guids.h"

namespace presetra::powercfg {
namespace {

const SettingKey kSleepAfter{u"238c9fa8-0aad-41ed-83f4-97be242c8f20",
                             u"29f6c1db-86da-48c5-9fdb-f2b67b1f44da"};

// The command line is split as the C runtime splits it: blanks and tabs separate, quotes group
// and are taken out, "" inside quotes is one quote.
TEST(PowercfgTest, SplitsItsCommandLineAsTheRuntimeDoes) {
  struct Case {
    const char16_t* arguments;  // after the scheme
    const char16_t* name;
    const char16_t* description;  // nullptr: unchanged
  };
  const Case cases[] = {
      {u"\"Vorlan \"\"Max\"\" plan\" d", u"Vorlan \"Max\" plan", u"d"},
      {u"Vor\"lan x\"y d", u"Vorlan xy", u"d"},
      {u"\"\" \"d e\"", u"", u"d e"},
      {u"Vorlan\t\t\"d\"", u"Vorlan", u"d"},
      {u"\"Vorlan d", u"Vorlan d", nullptr},
      {u"Vorlan   ", u"Vorlan", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    MemorySchemeStore store;
    ASSERT_EQ(
        Execute(store, WString(u"-duplicatescheme SCHEME_BALANCED ") + kVorlanScheme).exitCode, 0);
    const auto before = store.Find(kVorlanScheme)->description;
    ASSERT_EQ(
        Execute(store, WString(u"-changename ") + kVorlanScheme + u" " + c.arguments).exitCode, 0)
        << Utf16ToUtf8(c.arguments);
    const auto scheme = store.Find(kVorlanScheme);
    EXPECT_EQ(scheme->name, c.name) << Utf16ToUtf8(c.arguments);
    EXPECT_EQ(scheme->description, c.description != nullptr ? WString(c.description) : before)
        << Utf16ToUtf8(c.arguments);
  }
}

TEST(PowercfgTest, DuplicatesRenamesTunesActivatesAndDeletes) {
  MemorySchemeStore store;
  EXPECT_EQ(Execute(store,
                    u"-duplicatescheme 381b4222-f694-41f0-9685-ff5bb260df2e "
                    u"8759706d-706b-4c22-b2ec-f91e1ef6ed38")
                .exitCode,
            0);
  EXPECT_EQ(
      Execute(store, u"-changename 8759706d-706b-4c22-b2ec-f91e1ef6ed38 \"@x,-6001,Vorlan\" \"d\"")
          .exitCode,
      0);
  EXPECT_EQ(
      Execute(store,
              u"-setacvalueindex  8759706d-706b-4c22-b2ec-f91e1ef6ed38 "
              u"238c9fa8-0aad-41ed-83f4-97be242c8f20 29f6c1db-86da-48c5-9fdb-f2b67b1f44da 1200")
          .exitCode,
      0);
  EXPECT_EQ(
      Execute(store,
              u"/SETDCVALUEINDEX 8759706D-706B-4C22-B2EC-F91E1EF6ED38 "
              u"238c9fa8-0aad-41ed-83f4-97be242c8f20 29f6c1db-86da-48c5-9fdb-f2b67b1f44da 0x384")
          .exitCode,
      0);
  EXPECT_EQ(Execute(store, u"-setactive 8759706d-706b-4c22-b2ec-f91e1ef6ed38").exitCode, 0);
  auto scheme = store.Find(kVorlanScheme);
  ASSERT_TRUE(scheme.has_value());
  EXPECT_EQ(scheme->name, u"@x,-6001,Vorlan");
  EXPECT_EQ(DisplayText(scheme->name), u"Vorlan");
  EXPECT_EQ(scheme->description, u"d");
  EXPECT_EQ(scheme->values[kSleepAfter].ac, 1200u);
  EXPECT_EQ(scheme->values[kSleepAfter].dc, 900u);
  EXPECT_EQ(store.Active(), kVorlanScheme);

  Outcome refused = Execute(store, u"-delete 8759706d-706b-4c22-b2ec-f91e1ef6ed38");
  EXPECT_NE(refused.exitCode, 0) << "the active scheme cannot be deleted";
  EXPECT_TRUE(store.Find(kVorlanScheme));
  Execute(store, u"-setactive SCHEME_BALANCED");
  EXPECT_EQ(Execute(store, u"-delete 8759706d-706b-4c22-b2ec-f91e1ef6ed38").exitCode, 0);
  EXPECT_FALSE(store.Find(kVorlanScheme));
}

TEST(PowercfgTest, RefusesWhatWindowsRefuses) {
  MemorySchemeStore store;
  Execute(store, u"-duplicatescheme SCHEME_BALANCED 8759706d-706b-4c22-b2ec-f91e1ef6ed38");
  Execute(store, u"-changename 8759706d-706b-4c22-b2ec-f91e1ef6ed38 first");
  const char16_t* refused[] = {
      u"-duplicatescheme 381b4222-f694-41f0-9685-ff5bb260df2e "
      u"8759706d-706b-4c22-b2ec-f91e1ef6ed38",
      u"-setactive 11111111-2222-3333-4444-555555555555",
      u"-delete 11111111-2222-3333-4444-555555555555",
      u"-setacvalueindex 8759706d-706b-4c22-b2ec-f91e1ef6ed38 "
      u"238c9fa8-0aad-41ed-83f4-97be242c8f20 11111111-2222-3333-4444-555555555555 1",
      u"-setacvalueindex 8759706d-706b-4c22-b2ec-f91e1ef6ed38 "
      u"4f971e89-eebd-4455-a8de-9e59040e7347 5ca83367-6e45-459f-a27b-476b1d01c936 9",
      u"-setacvalueindex 8759706d-706b-4c22-b2ec-f91e1ef6ed38 SUB_NONE CONSOLELOCK x1",
      u"-frobnicate",
      u"",
  };
  for (const char16_t* arguments : refused) {
    Outcome outcome = Execute(store, arguments);
    EXPECT_EQ(outcome.exitCode, 1) << Utf16ToUtf8(arguments);
    EXPECT_FALSE(outcome.output.empty());
  }
  EXPECT_EQ(store.Find(kVorlanScheme)->name, u"first") << "a refused duplicate changes nothing";
  EXPECT_EQ(store.Schemes().size(), 4u);
}

TEST(PowercfgTest, AliasesNameWindowsSchemesAndSettings) {
  MemorySchemeStore store;
  for (const char16_t* scheme : {u"SCHEME_MAX", u"SCHEME_MIN", u"SCHEME_BALANCED"}) {
    EXPECT_EQ(
        Execute(store, WString(u"-setdcvalueindex ") + scheme + u"  SUB_NONE WIFIINSTANDBY 001")
            .exitCode,
        0);
  }
  const SettingKey wifi{u"fea3413e-7e05-4911-9a71-700331f1c294", u"wifiinstandby"};
  EXPECT_EQ(store.Find(kPowerSaver)->values[wifi].dc, 1u);
  EXPECT_EQ(store.Find(kHighPerformance)->values[wifi].dc, 1u);
  EXPECT_EQ(store.Find(kBalanced)->values[wifi].dc, 1u);
  EXPECT_EQ(store.Find(kBalanced)->values[wifi].ac, 0u);
}

TEST(PowercfgTest, ReplacesTheDefaultSchemesAndSizesTheHibernationFile) {
  MemorySchemeStore store;
  Execute(store, u"-duplicatescheme SCHEME_BALANCED 8759706d-706b-4c22-b2ec-f91e1ef6ed38");
  EXPECT_EQ(Execute(store, u"-ReplaceDefaultSchemes").exitCode, 0);
  EXPECT_EQ(store.DefaultSchemes().size(), 4u);
  EXPECT_EQ(Execute(store, u"/HIBERNATE /SIZE 0").exitCode, 0);
  EXPECT_EQ(store.HibernateFileSize(), 0u);
}

TEST(PowercfgTest, ListsAndQueriesForPeople) {
  MemorySchemeStore store;
  Outcome list = Execute(store, u"/list");
  EXPECT_EQ(list.output,
            "\nExisting Power Schemes (* Active)\n-----------------------------------\n"
            "Power Scheme GUID: 381b4222-f694-41f0-9685-ff5bb260df2e  (Balanced) *\n"
            "Power Scheme GUID: a1841308-3541-4fab-bc81-f71556f20b4a  (Power saver)\n"
            "Power Scheme GUID: 8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c  (High performance)\n");
  Outcome query = Execute(store, u"-query SCHEME_BALANCED 238c9fa8-0aad-41ed-83f4-97be242c8f20");
  EXPECT_EQ(query.exitCode, 0);
  EXPECT_NE(query.output.find("    Power Setting GUID: 29f6c1db-86da-48c5-9fdb-f2b67b1f44da  "
                              "(Sleep after)\n      GUID Alias: STANDBYIDLE\n"
                              "      Possible Settings units: Seconds\n"
                              "    Current AC Power Setting Index: 0x00000708\n"
                              "    Current DC Power Setting Index: 0x00000384\n"),
            std::string::npos)
      << query.output;
}

}  // namespace
}  // namespace presetra::powercfg
