// The Modern Standby recipe: its fixed rows, the three hibernation branches, the Windows Home
// variant, the 2019-and-later rows and the literal command lines of board "21E2".
#include <gtest/gtest.h>

#include "policy_fixture.h"
#include "power/setting_guids.h"

namespace presetra {
namespace {

using testing::kPowercfgPrefix;
using testing::PolicyFixture;

const std::string kScheme = Utf16ToUtf8(kModernStandbyScheme);
const std::string kHibernateKey =
    "SYSTEM\\CurrentControlSet\\Control\\Power\\PowerSettings\\"
    "238C9FA8-0AAD-41ED-83F4-97BE242C8F20\\9d7815a6-7ee4-497e-8888-515a05f02364";

std::string Row(const char* mode, const char16_t* sub, const char16_t* setting, int value) {
  return std::string("-set") + mode + "valueindex  " + kScheme + " " + Utf16ToUtf8(sub) + " " +
         Utf16ToUtf8(setting) + " " + std::to_string(value);
}

std::vector<std::string> Rows1To20() {
  struct R {
    const char16_t* setting;
    const char16_t* sub;
    int ac;
    int dc;
  } pairs[] = {
      {kSleepAfter, kSubSleep, 600, 240},
      {kTurnOffDisplayAfter, kSubDisplay, 600, 240},
      {kDisplayBrightness, kSubDisplay, 100, 40},
      {kEnableAdaptiveBrightness, kSubDisplay, 1, 1},
      {kLowBatteryLevel, kSubBattery, 6, 6},
      {kCriticalBatteryLevel, kSubBattery, 4, 4},
      {kCriticalBatteryAction, kSubBattery, 2, 2},
      {kCsBatterySaverTimeout, kSubBattery, 14400, 14400},
      {kCsBatterySaverTripPoint, kSubBattery, 100, 100},
      {kCsBatterySaverAction, kSubBattery, 1, 1},
  };
  std::vector<std::string> rows;
  for (const auto& p : pairs) {
    rows.push_back(Row("ac", p.sub, p.setting, p.ac));
    rows.push_back(Row("dc", p.sub, p.setting, p.dc));
  }
  return rows;
}

std::string Profile(const std::string& bytes, const std::string& board) {
  return R"("firmware": {"oem_strings": ["FBYTE#)" + bytes +
         R"(."]}, "registry": {"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra": {"MachineID": ")" +
         board + R"("}})";
}

std::vector<std::string> Head() {
  const std::string dir = "C:\\Program Files (x86)\\Vorlan\\Presetra\\";
  return {"-duplicatescheme 381b4222-f694-41f0-9685-ff5bb260df2e " + kScheme,
          "-changename " + kScheme + " \"@" + dir +
              "Presetra.dll,-6003,Vorlan Optimized (Modern Standby)\" \"@" + dir +
              "Presetra.dll,-6000,Provides optimized balance of performance with energy "
              "consumption on Vorlan Notebook PC.\""};
}

std::vector<std::string> Tail() {
  return {Row("ac", kSubPowerButtonsAndLid, kLidCloseAction, 0), "-setactive " + kScheme,
          "-ReplaceDefaultSchemes"};
}

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

std::vector<std::string> WithPrefix(const std::vector<std::string>& commands) {
  std::vector<std::string> lines;
  for (const auto& command : commands) lines.push_back(kPowercfgPrefix + command);
  return lines;
}

TEST(ModernStandbySchemeTest, Before2019WithA6HidesHibernation) {
  PolicyFixture fixture(Profile("3Xa6", "62E6"));
  fixture.policy().ApplyModernStandbyScheme(true);
  const std::vector<std::string> hibernate = {Row("ac", kSubSleep, kHibernateAfter, 0),
                                              Row("dc", kSubSleep, kHibernateAfter, 0)};
  const std::vector<std::string> password = {Row("ac", kSubNone, kRequirePasswordOnWakeup, 1),
                                             Row("dc", kSubNone, kRequirePasswordOnWakeup, 1)};
  auto commands = Join({Head(), Rows1To20(), hibernate, password, Tail()});
  ASSERT_EQ(commands.size(), 29u);
  EXPECT_EQ(fixture.PowercfgArguments(), commands);
  auto lines = WithPrefix(Join({Head(), Rows1To20(), hibernate}));
  lines.insert(lines.begin(), "2018 and before");
  lines.push_back("Opened Key " + kHibernateKey);
  lines.push_back("Sucessfully set Attributes");
  lines.push_back("Windows Home not detected");
  for (auto& line : WithPrefix(Join({password, Tail()}))) lines.push_back(line);
  lines.push_back("Successfully set as preferred plan");
  EXPECT_EQ(fixture.RecipeLog(), lines);
}

TEST(ModernStandbySchemeTest, From2019OnWindowsHome) {
  PolicyFixture fixture(Profile("3XdpXXas", "62E6"));
  fixture.policy().ApplyModernStandbyScheme(false);
  const std::vector<std::string> hibernate = {Row("ac", kSubSleep, kHibernateAfter, 0),
                                              Row("dc", kSubSleep, kHibernateAfter, 57600),
                                              Row("ac", kSubHardDisk, kAhciLinkPowerMode, 4),
                                              Row("dc", kSubHardDisk, kAhciLinkPowerMode, 4)};
  const std::vector<std::string> password = {Row("ac", kSubNone, kRequirePasswordOnWakeup, 0),
                                             Row("dc", kSubNone, kRequirePasswordOnWakeup, 0)};
  const std::vector<std::string> from2019 = {
      Row("ac", kSubPresenceAware, kStandbyBudgetPercent, 0),
      Row("dc", kSubPresenceAware, kStandbyBudgetPercent, 15)};
  auto commands = Join({Head(), Rows1To20(), hibernate, password, from2019, Tail()});
  ASSERT_EQ(commands.size(), 33u);
  EXPECT_EQ(fixture.PowercfgArguments(), commands);
  auto lines = WithPrefix(Join({Head(), Rows1To20(), hibernate}));
  lines.insert(lines.begin(), "2019 and later");
  lines.push_back("Windows Home detected");
  for (auto& line : WithPrefix(Join({password, from2019, Tail()}))) lines.push_back(line);
  lines.push_back("Successfully set as preferred plan");
  EXPECT_EQ(fixture.RecipeLog(), lines);
}

TEST(ModernStandbySchemeTest, HibernationAndWindowsHomeBranches) {
  struct Case {
    std::string bytes;
    bool before2019;
    std::vector<std::string> hibernate;
    bool hidden;
    const char* edition;
    int password;
  } cases[] = {
      {"3Xa2",
       false,
       {Row("ac", kSubSleep, kHibernateAfter, 0), Row("dc", kSubSleep, kHibernateAfter, 0)},
       true,
       "Windows Home not detected",
       1},
      {"3X",
       true,
       {Row("ac", kSubSleep, kHibernateAfter, 14400), Row("dc", kSubSleep, kHibernateAfter, 14400)},
       false,
       "Windows Home not detected",
       1},
      {"Xa6X",
       true,  // a6 at an odd offset does not count
       {Row("ac", kSubSleep, kHibernateAfter, 14400), Row("dc", kSubSleep, kHibernateAfter, 14400)},
       false,
       "Windows Home not detected",
       1},
      {"dpXX",
       true,
       {Row("ac", kSubSleep, kHibernateAfter, 14400), Row("dc", kSubSleep, kHibernateAfter, 14400)},
       false,
       "Windows Home not detected",
       1},
      {"dpat",
       true,
       {Row("ac", kSubSleep, kHibernateAfter, 14400), Row("dc", kSubSleep, kHibernateAfter, 14400)},
       false,
       "Windows Home detected",
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    PolicyFixture fixture(Profile(c.bytes, "62E6"));
    fixture.policy().ApplyModernStandbyScheme(c.before2019);
    auto commands = fixture.PowercfgArguments();
    EXPECT_EQ(std::vector<std::string>(commands.begin() + 22, commands.begin() + 24), c.hibernate)
        << c.bytes;
    EXPECT_EQ(commands[24], Row("ac", kSubNone, kRequirePasswordOnWakeup, c.password)) << c.bytes;
    auto log = fixture.RecipeLog();
    EXPECT_NE(std::find(log.begin(), log.end(), c.edition), log.end()) << c.bytes;
    EXPECT_EQ(std::count(log.begin(), log.end(), "Sucessfully set Attributes"), c.hidden ? 1 : 0);
    EXPECT_EQ(commands.size(), c.before2019 ? 29u : 31u) << c.bytes;
  }
}

TEST(ModernStandbySchemeTest, Board21E2KeepsWifiOnInStandbyInEveryScheme) {
  for (std::string board : {"21E2", "21e2"}) {
    PolicyFixture fixture(Profile("3X", board));
    fixture.policy().ApplyModernStandbyScheme(false);
    auto commands = fixture.PowercfgArguments();
    const std::vector<std::string> literal = {
        "-setacvalueindex SCHEME_MAX  SUB_NONE WIFIINSTANDBY 001",
        "-setacvalueindex SCHEME_MIN  SUB_NONE WIFIINSTANDBY 001",
        "-setacvalueindex SCHEME_BALANCED  SUB_NONE WIFIINSTANDBY 001",
        "-setacvalueindex fb5220ff-7e1a-47aa-9a42-50ffbf45c673 SUB_NONE WIFIINSTANDBY 001",
        "-setdcvalueindex SCHEME_MAX  SUB_NONE WIFIINSTANDBY 001",
        "-setdcvalueindex SCHEME_MIN  SUB_NONE WIFIINSTANDBY 001",
        "-setdcvalueindex SCHEME_BALANCED  SUB_NONE WIFIINSTANDBY 001",
        "-setdcvalueindex fb5220ff-7e1a-47aa-9a42-50ffbf45c673 SUB_NONE WIFIINSTANDBY 001",
    };
    if (board == "21E2") {
      ASSERT_EQ(commands.size(), 41u);
      // After rows 33 and 34, before row 35.
      EXPECT_EQ(std::vector<std::string>(commands.begin() + 30, commands.begin() + 38), literal);
      EXPECT_EQ(commands[38], Tail()[0]);
      const powercfg::SettingKey wifi{u"fea3413e-7e05-4911-9a71-700331f1c294", u"wifiinstandby"};
      for (const char16_t* scheme :
           {u"a1841308-3541-4fab-bc81-f71556f20b4a", u"8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c",
            u"381b4222-f694-41f0-9685-ff5bb260df2e", u"fb5220ff-7e1a-47aa-9a42-50ffbf45c673"}) {
        auto values = fixture.machine->schemes().Find(scheme)->values[wifi];
        EXPECT_EQ(values.ac, 1u);
        EXPECT_EQ(values.dc, 1u);
      }
    } else {
      EXPECT_EQ(commands.size(), 33u);
    }
  }
}

}  // namespace
}  // namespace presetra
