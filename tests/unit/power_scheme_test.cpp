// CPowerScheme: the exact powercfg command lines, Delete's active-scheme check, ParseGuid and
// the preferred plan.
#include "power/power_scheme.h"

#include <gtest/gtest.h>

#include "power/setting_guids.h"
#include "test_machine.h"

namespace presetra {
namespace {

using testing::kOsitLog;
using testing::LogTexts;
using testing::MachineFrom;

const std::string kPowercfg = testing::kPowercfgPrefix;

using PowerSchemeTest = testing::InstallerTest;

TEST_F(PowerSchemeTest, CommandLinesAreExact) {
  CPowerScheme scheme(kVorlanScheme, installer_.get());
  const WString name = u"@C:\\Program Files (x86)\\Vorlan\\Presetra\\Presetra.dll,-6001,N";
  const WString description = u"D";
  scheme.Duplicate();
  scheme.ChangeName(name, &description);
  scheme.ChangeName(name, nullptr);
  scheme.SetValueIndex(PowerSource::kAc, u"sub", u"set", 1200);
  scheme.SetValueIndex(PowerSource::kDc, u"sub", u"set", -1);
  scheme.SetValueIndex(PowerSource::kAc, u"sub", u"set", true);
  scheme.SetValueIndex(PowerSource::kDc, u"sub", u"set", false);
  scheme.SetValueIndex(PowerSource::kAc, u"sub", u"set", 0);
  scheme.SetHibernateAfter(PowerSource::kDc, 57600);
  scheme.SetDiskLinkPower(PowerSource::kAc, 4);
  scheme.SetActive();
  scheme.Run(u"-ReplaceDefaultSchemes");
  CPowerScheme(kNoScheme, installer_.get()).SetHibernateSize();
  const std::string g = "8759706d-706b-4c22-b2ec-f91e1ef6ed38";
  EXPECT_EQ(Log(),
            (std::vector<std::string>{
                kPowercfg + "-duplicatescheme 381b4222-f694-41f0-9685-ff5bb260df2e " + g,
                kPowercfg + "-changename " + g +
                    " \"@C:\\Program Files (x86)\\Vorlan\\Presetra\\Presetra.dll,-6001,N\" \"D\"",
                kPowercfg + "-changename " + g +
                    " \"@C:\\Program Files (x86)\\Vorlan\\Presetra\\Presetra.dll,-6001,N\"",
                kPowercfg + "-setacvalueindex  " + g + " sub set 1200",
                kPowercfg + "-setdcvalueindex  " + g + " sub set -1",
                kPowercfg + "-setacvalueindex  " + g + " sub set 1",
                kPowercfg + "-setdcvalueindex  " + g + " sub set 0",
                kPowercfg + "-setacvalueindex  " + g + " sub set 0",
                kPowercfg + "-setdcvalueindex  " + g +
                    " 238c9fa8-0aad-41ed-83f4-97be242c8f20 "
                    "9d7815a6-7ee4-497e-8888-515a05f02364 57600",
                kPowercfg + "-setacvalueindex  " + g +
                    " 0012ee47-9041-4b5d-9b77-535fba8b1442 "
                    "0b2d69d7-a2a1-449c-9680-f91c70521c60 4",
                kPowercfg + "-setactive " + g,
                kPowercfg + "-ReplaceDefaultSchemes",
                kPowercfg + "/HIBERNATE /SIZE 0",
            }));
  EXPECT_EQ(machine_->schemes().HibernateFileSize(), 0u);
}

TEST_F(PowerSchemeTest, UsesTheSystemFolderItIsGiven) {
  auto machine = MachineFrom(R"("system_folder": "C:\\windows\\system32")");
  CAdvInstaller installer(*machine);
  EXPECT_EQ(CPowerScheme(kVorlanScheme, &installer).PowercfgPath(),
            u"C:\\windows\\system32\\powercfg.exe");
}

TEST_F(PowerSchemeTest, ResultsFollowTheProcessNotPowercfg) {
  CPowerScheme scheme(u"01234567-0000-0000-0000-000000000000", installer_.get());
  // powercfg rejects an unknown scheme, but only the start and the end of the process count.
  EXPECT_TRUE(scheme.SetActive());
  EXPECT_EQ(machine_->processes().Runs().back().exitCode, 1u);
  machine_->processes().HangWhenCommandContains(u"-setactive");
  EXPECT_FALSE(scheme.SetActive());
  EXPECT_TRUE(scheme.Run(u"-list")) << "the next command still runs";
  machine_->faults().FailEvery(sim::Call::kProcessCreate);
  EXPECT_FALSE(scheme.Run(u"-list"));
  const std::string powercfg = kPowercfg;
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       powercfg + "-setactive 01234567-0000-0000-0000-000000000000",
                       powercfg + "-setactive 01234567-0000-0000-0000-000000000000",
                       "ERROR: Command timed out", powercfg + "-list", powercfg + "-list"}));
}

TEST_F(PowerSchemeTest, DeleteActivatesBalancedFirstWhenNeeded) {
  CPowerScheme scheme(kVorlanScheme, installer_.get());
  scheme.Duplicate();
  scheme.SetActive();
  EXPECT_TRUE(scheme.Delete());
  const std::string g = "8759706d-706b-4c22-b2ec-f91e1ef6ed38";
  std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[2], kPowercfg + "-setactive 381b4222-f694-41f0-9685-ff5bb260df2e");
  EXPECT_EQ(log[3], kPowercfg + "-delete " + g);
  EXPECT_FALSE(machine_->schemes().Find(kVorlanScheme));
  EXPECT_EQ(machine_->schemes().Active(), u"381b4222-f694-41f0-9685-ff5bb260df2e");

  // Not active: only the delete command.
  scheme.Duplicate();
  EXPECT_TRUE(scheme.Delete());
  log = Log();
  EXPECT_EQ(log.back(), kPowercfg + "-delete " + g);
  EXPECT_EQ(log[log.size() - 2],
            kPowercfg + "-duplicatescheme 381b4222-f694-41f0-9685-ff5bb260df2e " + g);
}

TEST_F(PowerSchemeTest, DeleteRunsNothingWhenItCannotTell) {
  machine_->faults().FailEvery(sim::Call::kPowerGetActiveScheme);
  EXPECT_FALSE(CPowerScheme(kVorlanScheme, installer_.get()).Delete());
  machine_->faults().Clear();
  EXPECT_FALSE(CPowerScheme(u"not-a-guid", installer_.get()).Delete());
  EXPECT_TRUE(Log().empty());
  EXPECT_TRUE(machine_->processes().Runs().empty());
}

TEST(ParseGuidTest, AcceptsOnlyTheBracedForm) {
  platform::Guid guid;
  ASSERT_TRUE(ParseGuid(u"{8759706D-706b-4c22-b2ec-f91e1ef6ed38}", guid));
  EXPECT_EQ(guid.data1, 0x8759706du);
  EXPECT_EQ(guid.data2, 0x706b);
  EXPECT_EQ(guid.data3, 0x4c22);
  EXPECT_EQ(guid.data4,
            (std::array<std::uint8_t, 8>{0xb2, 0xec, 0xf9, 0x1e, 0x1e, 0xf6, 0xed, 0x38}));
  const char16_t* rejected[] = {
      u"8759706d-706b-4c22-b2ec-f91e1ef6ed38",    // 36: no braces
      u"{8759706d-706b-4c22-b2ec-f91e1ef6ed38",   // 37
      u"{8759706g-706b-4c22-b2ec-f91e1ef6ed38}",  // a number that does not convert
      u"{8759706d-706b-4c22-b2ec-f91e1ef6ed3x}", u"{8759706d+706b-4c22-b2ec-f91e1ef6ed38}",
      u"(8759706d-706b-4c22-b2ec-f91e1ef6ed38)", u"{8759706d-706b-4c22-b2ecf-91e1ef6ed38}",
  };
  for (const char16_t* text : rejected) {
    platform::Guid untouched;
    untouched.data1 = 7;
    EXPECT_FALSE(ParseGuid(text, untouched)) << Utf16ToUtf8(text);
    EXPECT_EQ(untouched.data1, 7u) << "written only on success";
  }
}

TEST_F(PowerSchemeTest, PreferredPlanGoesToTheSixtyFourBitView) {
  CPowerScheme scheme(kVorlanScheme, installer_.get());
  EXPECT_TRUE(scheme.SetAsPreferredPlan());
  auto value = machine_->registry().GetValue(
      u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\ControlPanel\\NameSpace\\"
      u"{025A5937-A6BE-4686-A844-36FE4BEC8B6D}",
      u"PreferredPlan");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, win::kRegSz);
  EXPECT_EQ(value->data, sim::RegSzBytes(kVorlanScheme));
  EXPECT_EQ(value->data.size(), 74u);
  machine_->faults().FailEvery(sim::Call::kRegSetValue);
  EXPECT_FALSE(scheme.SetAsPreferredPlan());
  EXPECT_EQ(Log(), (std::vector<std::string>{"Successfully set as preferred plan",
                                             "ERROR: Unable to set as preferred plan"}));
  EXPECT_EQ(machine_->registry().OpenKeyCount(), 0u);
}

TEST(IndirectDisplayStringTest, PointsIntoTheModule) {
  EXPECT_EQ(IndirectDisplayString(u"C:\\Program Files (x86)\\Vorlan\\Presetra\\", 6004,
                                  u"Vorlan Recommended"),
            u"@C:\\Program Files (x86)\\Vorlan\\Presetra\\Presetra.dll,-6004,Vorlan Recommended");
}

}  // namespace
}  // namespace presetra
