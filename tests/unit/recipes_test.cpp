// The desktop, consumer and notebook recipes: their powercfg runs, their log lines, their
// board and accelerometer rules, and the scheme each leaves behind.
#include <gtest/gtest.h>

#include "platform/emulation/powercfg/settings_catalog.h"
#include "policy_fixture.h"
#include "power/setting_guids.h"

namespace presetra {
namespace {

using powercfg::SettingKey;
using testing::kPowercfgPrefix;
using testing::PolicyFixture;

const std::string kVorlan = Utf16ToUtf8(kVorlanScheme);
const std::string kInstallDir = "C:\\Program Files (x86)\\Vorlan\\Presetra\\";
const std::string kName6001 =
    "\"@" + kInstallDir + "Presetra.dll,-6001,Vorlan Optimized (recommended)\"";
const std::string kDescription =
    "\"@" + kInstallDir +
    "Presetra.dll,-6000,Provides optimized balance of performance with energy consumption on "
    "Vorlan Notebook PC.\"";

std::string Ac(const char16_t* sub, const char16_t* setting, int value) {
  return "-setacvalueindex  " + kVorlan + " " + Utf16ToUtf8(sub) + " " + Utf16ToUtf8(setting) +
         " " + std::to_string(value);
}

std::string FeatureProfile(const std::string& bytes, const std::string& board = "8B2A") {
  return R"("firmware": {"oem_strings": ["FBYTE#)" + bytes +
         R"(."]}, "registry": {"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra": {"MachineID": ")" +
         board + R"("}})";
}

std::uint32_t Value(sim::Machine& machine, const std::string& scheme, const char16_t* sub,
                    const char16_t* setting, bool ac) {
  auto found = machine.schemes().Find(Utf8ToUtf16(scheme));
  EXPECT_TRUE(found.has_value());
  auto& values = found->values[SettingKey{sub, setting}];
  return (ac ? values.ac : values.dc).value_or(~0u);
}

TEST(DesktopSchemeTest, RunsItsRowsWithTheVariantOf3aOrAN) {
  const std::vector<std::string> plain = {
      "-duplicatescheme 381b4222-f694-41f0-9685-ff5bb260df2e " + kVorlan,
      "-changename " + kVorlan + " " + kName6001 + " " + kDescription,
      Ac(kSubSleep, kHibernateAfter, 0),
      Ac(kSubDisplay, kTurnOffDisplayAfter, 600),
      Ac(kSubSleep, kSleepAfter, 1200),
      Ac(kSubPciExpress, kLinkStatePowerManagement, 2),
      Ac(kSubPowerButtonsAndLid, kSleepButtonAction, 1),
      "-setactive " + kVorlan,
      "-ReplaceDefaultSchemes",
  };
  std::vector<std::string> variant = plain;
  variant.insert(variant.begin() + 5,
                 {Ac(kSubDisplay, kTurnOffDisplayAfter, 300), Ac(kSubSleep, kSleepAfter, 600)});
  struct Case {
    std::string bytes;
    const std::vector<std::string>* commands;
    std::uint32_t displayOff;
    std::uint32_t sleepAfter;
  } cases[] = {
      {"3X9Z", &plain, 600, 1200},  {"3X3a", &variant, 300, 600}, {"3aaN", &variant, 300, 600},
      {"aN3X", &variant, 300, 600}, {"X3aX", &plain, 600, 1200},  // odd offset
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    PolicyFixture fixture(FeatureProfile(c.bytes));
    fixture.policy().ApplyDesktopScheme();
    EXPECT_EQ(fixture.PowercfgArguments(), *c.commands) << c.bytes;
    std::vector<std::string> log = {"Setting Desktop Power Scheme",
                                    "Create Power Scheme Vorlan Optimized (recommended)"};
    for (std::size_t i = 0; i < c.commands->size(); ++i) {
      if (i == 5 && c.commands == &variant) log.push_back("3a or aN feature detected");
      log.push_back(kPowercfgPrefix + (*c.commands)[i]);
    }
    log.push_back("Successfully set as preferred plan");
    EXPECT_EQ(fixture.RecipeLog(), log) << c.bytes;
    sim::Machine& machine = *fixture.machine;
    EXPECT_EQ(Value(machine, kVorlan, u"7516b95f-f776-4464-8c53-06167f40cc99",
                    u"3c0bc021-c8a8-4e07-a973-6b14cbcb2b7e", true),
              c.displayOff);
    EXPECT_EQ(Value(machine, kVorlan, u"238c9fa8-0aad-41ed-83f4-97be242c8f20",
                    u"29f6c1db-86da-48c5-9fdb-f2b67b1f44da", true),
              c.sleepAfter);
    // DC values stay Balanced's.
    EXPECT_EQ(Value(machine, kVorlan, u"238c9fa8-0aad-41ed-83f4-97be242c8f20",
                    u"29f6c1db-86da-48c5-9fdb-f2b67b1f44da", false),
              900u);
    EXPECT_EQ(machine.schemes().Active(), Utf8ToUtf16(kVorlan));
  }
}

TEST(ConsumerSchemeTest, TunesPowerSaverThenMakesVorlanRecommended) {
  PolicyFixture fixture(FeatureProfile("7K7P7W"));
  fixture.policy().ApplyConsumerScheme();
  const std::string disk = Utf16ToUtf8(kSubHardDisk);
  const std::string p = kPowercfgPrefix;
  EXPECT_EQ(fixture.RecipeLog(),
            (std::vector<std::string>{
                "Setting Consumer Power Scheme",
                "Setting Consumer Power Saver",
                p + "-setacvalueindex  a1841308-3541-4fab-bc81-f71556f20b4a " + disk +
                    " 0b2d69d7-a2a1-449c-9680-f91c70521c60 3",
                p + "-ReplaceDefaultSchemes",
                "Replace Consumer Power Saver",
                "Setting Consumer Vorlan Recommended",
                p + "-duplicatescheme 381b4222-f694-41f0-9685-ff5bb260df2e " + kVorlan,
                p + "-changename " + kVorlan + " \"@" + kInstallDir +
                    "Presetra.dll,-6004,Vorlan Recommended\"",
                p + Ac(kSubHardDisk, kAhciLinkPowerMode, 3),
                p + Ac(kSubHardDisk, kTurnOffHardDiskAfter, 900),
                p + Ac(kSubSleep, kSleepAfter, 1200),
                p + Ac(kSubSleep, kHibernateAfter, 0),
                p + Ac(kSubPowerButtonsAndLid, kLidCloseAction, 1),
                p + Ac(kSubPowerButtonsAndLid, kPowerButtonAction, 1),
                p + Ac(kSubDisplay, kDimDisplayAfter, 0),
                p + Ac(kSubBattery, kLowBatteryAction, 2),
                p + Ac(kSubBattery, kLowBatteryLevel, 10),
                p + Ac(kSubBattery, kCriticalBatteryLevel, 5),
                p + Ac(kSubBattery, kReserveBatteryLevel, 8),
                p + "-setactive " + kVorlan,
                p + "-ReplaceDefaultSchemes",
                "Successfully set as preferred plan",
                "Replace Consumer Vorlan Recommended",
            }));
  EXPECT_EQ(fixture.PowercfgArguments().size(), 17u);
  sim::Machine& machine = *fixture.machine;
  EXPECT_EQ(
      Value(machine, "a1841308-3541-4fab-bc81-f71556f20b4a",
            u"0012ee47-9041-4b5d-9b77-535fba8b1442", u"0b2d69d7-a2a1-449c-9680-f91c70521c60", true),
      3u);
  EXPECT_EQ(machine.schemes().Active(), Utf8ToUtf16(kVorlan));
  EXPECT_EQ(machine.schemes().DefaultSchemes().size(), 4u);
}

TEST(NotebookSchemeTest, BoardsDecideTheLinkPowerRows) {
  const std::string linkPower =
      " 0012ee47-9041-4b5d-9b77-535fba8b1442 "
      "0b2d69d7-a2a1-449c-9680-f91c70521c60 ";
  struct Case {
    std::string board;
    std::size_t runs;
    int linkPower;  // 0: rows 3 and 4 left out
  } cases[] = {
      {"E23F", 65, 0}, {"A531", 65, 0}, {"1ED9", 65, 0}, {"91E7", 65, 0},
      {"7B0D", 65, 0}, {"3F8C", 67, 1}, {"C52D", 67, 1}, {"e23f", 67, 4},
      {"3f8c", 67, 4}, {"", 67, 4},     {"62E6", 67, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    PolicyFixture fixture(FeatureProfile("3Xaw", c.board));
    fixture.policy().ApplyNotebookScheme();
    auto commands = fixture.PowercfgArguments();
    ASSERT_EQ(commands.size(), c.runs) << c.board;
    EXPECT_EQ(commands[0], "-duplicatescheme 381b4222-f694-41f0-9685-ff5bb260df2e " + kVorlan);
    EXPECT_EQ(commands[1], "-changename " + kVorlan + " " + kName6001 + " " + kDescription);
    if (c.linkPower != 0) {
      EXPECT_EQ(commands[4],
                "-setacvalueindex  " + kVorlan + linkPower + std::to_string(c.linkPower));
      EXPECT_EQ(commands[5],
                "-setdcvalueindex  " + kVorlan + linkPower + std::to_string(c.linkPower));
    }
    for (const auto& command : commands) {
      if (c.linkPower == 0) {
        EXPECT_EQ(command.find(linkPower), std::string::npos) << c.board;
      }
    }
    EXPECT_EQ(std::vector<std::string>(commands.end() - 3, commands.end()),
              (std::vector<std::string>{"/HIBERNATE /SIZE 0", "-setactive " + kVorlan,
                                        "-ReplaceDefaultSchemes"}));
    EXPECT_EQ(fixture.RecipeLog().back(), "Successfully set as preferred plan");
  }
}

TEST(NotebookSchemeTest, AccelerometerDecidesTheDcLidAction) {
  struct Case {
    std::string values;
    std::uint32_t lidDc;
    std::vector<std::u16string> reads;
  } cases[] = {
      {R"("AccelerometerAny": "1", "Accelerometer": "0")", 0, {u"AccelerometerAny"}},
      {R"("AccelerometerAny": "0", "Accelerometer6007": "1")",
       0,
       {u"AccelerometerAny", u"Accelerometer", u"Accelerometer6000", u"Accelerometer6007"}},
      {R"("Accelerometer": "1")",
       0,
       {u"AccelerometerAny", u"Accelerometer", u"Accelerometer6000", u"Accelerometer6007"}},
      {"", 1, {u"AccelerometerAny", u"Accelerometer", u"Accelerometer6000", u"Accelerometer6007"}},
      {R"("AccelerometerAny": "01", "Accelerometer": " 1", "Accelerometer6000": 1)",
       1,
       {u"AccelerometerAny", u"Accelerometer", u"Accelerometer6000", u"Accelerometer6007"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    std::string profile =
        R"("registry": {"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra": {)" + c.values + "}}";
    PolicyFixture fixture(profile);
    const std::size_t before = fixture.machine->registry().QueriedValues().size();
    fixture.policy().ApplyNotebookScheme();
    EXPECT_EQ(Value(*fixture.machine, kVorlan, u"4f971e89-eebd-4455-a8de-9e59040e7347",
                    u"5ca83367-6e45-459f-a27b-476b1d01c936", false),
              c.lidDc)
        << c.values;
    std::vector<std::u16string> reads;
    const auto& queried = fixture.machine->registry().QueriedValues();
    for (std::size_t i = before; i < queried.size(); ++i) {
      if (queried[i].rfind(u"Accelerometer", 0) == 0 &&
          (reads.empty() || reads.back() != queried[i])) {
        reads.push_back(queried[i]);
      }
    }
    EXPECT_EQ(reads, c.reads) << c.values;
  }
}

TEST(NotebookSchemeTest, PredicatesKeepTheirFirstAnswer) {
  PolicyFixture fixture(FeatureProfile("3Xaw", "E23F"));
  COSDefSet& policy = fixture.policy();
  EXPECT_FALSE(policy.IsBoardNotExcluded());
  EXPECT_FALSE(policy.HasAccelerometer());
  fixture.installer->Context().machineId = u"62E6";
  fixture.machine->registry().PutValue(u"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra",
                                       {u"AccelerometerAny", win::kRegSz, sim::RegSzBytes(u"1")});
  EXPECT_FALSE(policy.IsBoardNotExcluded());
  EXPECT_FALSE(policy.HasAccelerometer());
}

TEST(NotebookSchemeTest, LeavesTheSchemeActivePreferredAndTuned) {
  PolicyFixture fixture(FeatureProfile("3Xaw", "62E6"));
  fixture.policy().ApplyNotebookScheme();
  sim::Machine& machine = *fixture.machine;
  EXPECT_EQ(machine.schemes().Active(), Utf8ToUtf16(kVorlan));
  EXPECT_EQ(machine.schemes().HibernateFileSize(), 0u);
  EXPECT_EQ(Value(machine, kVorlan, u"238c9fa8-0aad-41ed-83f4-97be242c8f20",
                  u"9d7815a6-7ee4-497e-8888-515a05f02364", true),
            259200u);
  EXPECT_EQ(Value(machine, kVorlan, u"e73a048d-bf27-4f12-9731-8b2076e8891f",
                  u"f3c5027d-cd16-4930-aa6b-90db844a8f00", false),
            7u);
  auto scheme = machine.schemes().Find(Utf8ToUtf16(kVorlan));
  EXPECT_EQ(machine.ResolveModuleString(machine.InstallDir() + u"Presetra.dll", 6001),
            u"Vorlan Optimized (recommended)");
  EXPECT_EQ(scheme->name,
            u"@" + machine.InstallDir() + u"Presetra.dll,-6001,Vorlan Optimized (recommended)");
}

}  // namespace
}  // namespace presetra
