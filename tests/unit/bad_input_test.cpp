// What the machine can hand the custom actions that no factory would: each case against the
// rule that holds for it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "policy_fixture.h"

namespace presetra {
namespace {

using testing::PolicyFixture;

TEST(BadInputTest, BuildNumbersTheCommandInterpreterWouldActOnStartNoScript) {
  struct Case {
    const char* build;
    bool runs;
  } cases[] =
      {
          {"19041", true},      {"19041 & calc.exe", false}, {"19041|x", false},
          {"%COMSPEC%", false}, {"19041\" x", false},        {"1904>1", false},
          {"(19041)", false},   {"19041^", false},           {"19041\nx", false},
          {" 19041 ", true},  // blanks only split the arguments: the script refuses them
      };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    PolicyFixture fixture("");
    fixture.policy().SetBuildNumber(Utf8ToUtf16(c.build));
    fixture.policy().RunBiosScript();
    fixture.policy().RunModernStandbyPackage();
    EXPECT_EQ(fixture.machine->processes().Runs().size(), c.runs ? 2u : 0u) << c.build;
    if (!c.runs) {
      EXPECT_EQ(fixture.RecipeLog(),
                (std::vector<std::string>{"Error! Fail to get Windows version number!",
                                          "Error! Fail to get Windows version number!"}))
          << c.build;
    }
  }
}

TEST(BadInputTest, HardwareIdsMatchOnlyTheirOwnInstances) {
  // "%" in an ID must not widen the query to the other adapter's instance, and a double
  // quote must not end the WQL literal.
  PolicyFixture fixture(R"("network_adapters": [
      {"description": "Odd Ethernet", "enumerator": "PCI", "driver": "{n}\\0001",
       "hardware_ids": ["PCI\\VEN_%"]},
      {"description": "Quoted \" Ethernet", "enumerator": "PCI", "driver": "{n}\\0002",
       "hardware_ids": ["PCI\\VEN_\"Q"]},
      {"description": "Wireless LAN", "enumerator": "PCI", "driver": "{n}\\0003",
       "hardware_ids": ["PCI\\VEN_8086&DEV_1"]}])");
  fixture.policy().ConfigureNetworkAdapters();
  auto instances = fixture.machine->wmi().Instances(u"root\\wmi", u"MSPower_DeviceEnable");
  ASSERT_EQ(instances.size(), 3u);
  EXPECT_EQ(instances[0]->Find(u"Enable")->integer, -1);
  EXPECT_EQ(instances[1]->Find(u"Enable")->integer, -1);
  EXPECT_EQ(instances[2]->Find(u"Enable")->integer, 0) << "the wireless adapter is left alone";
  EXPECT_FALSE(fixture.machine->registry()
                   .GetValue(u"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Class\\{n}\\0002",
                             u"PnPCapabilities")
                   .has_value())
      << "the quoted ID's query ran: no fallback";
}

TEST(BadInputTest, HardwareIdListsAtTheBufferSize) {
  // The list of one ID that fills the 8192-byte buffer exactly, and one that is 2 bytes more.
  for (std::size_t units : {4094u, 4095u}) {
    const std::string id = "PCI\\\\" + std::string(units - 4, 'A');  // "PCI\" + As + NUL + NUL
    PolicyFixture fixture(R"("network_adapters": [{"description": "E", "enumerator": "PCI",
        "driver": "{n}\\0001", "hardware_ids": [")" +
                          id + R"("]}])");
    fixture.policy().ConfigureNetworkAdapters();
    EXPECT_EQ(fixture.RecipeLog().size(), units == 4094u ? 2u : 0u) << units;
  }
}

TEST(BadInputTest, FirmwareStringsOfEveryShape) {
  struct Case {
    const char* name;
    std::vector<std::string> entries;
    std::string featureBytes;
    std::string buildId;
  } cases[] = {
      {"markers at the very end", {"xxFBYTE#", "yyBUILDID#"}, "", ""},
      {"empty entries", {"", "", "FBYTE#aw.", ""}, "aw", ""},
      {"a long entry", {"FBYTE#" + std::string(100000, 'z') + "."}, std::string(100000, 'z'), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    nlohmann::json strings = c.entries;
    auto machine = testing::MachineFrom(
        R"("factory_folder": "present", "firmware": {"oem_strings": )" + strings.dump() + "}");
    CMSIInstaller installer(*machine);
    SetContextNames(installer);
    installer.SelectLogPath();
    installer.ReadFeatureBytes();
    EXPECT_EQ(Utf16ToUtf8(installer.Context().featureBytes), c.featureBytes) << c.name;
    EXPECT_EQ(Utf16ToUtf8(installer.Context().buildId), c.buildId) << c.name;
  }
  // Ten thousand entries, the markers in the last two.
  std::vector<std::string> many(10000, "OEM");
  many[9998] = "FBYTE#3Xaw.";
  many[9999] = "BUILDID#9;";
  auto machine =
      testing::MachineFrom(R"("firmware": {"oem_strings": )" + nlohmann::json(many).dump() + "}");
  CMSIInstaller installer(*machine);
  installer.ReadFeatureBytes();
  EXPECT_EQ(installer.Context().featureBytes, u"3Xaw");
  EXPECT_EQ(installer.Context().buildId, u"9");
}

TEST(BadInputTest, FeatureByteStringsOfOddLengthAndOneMegabyte) {
  auto machine = testing::MachineFrom();
  CMSIInstaller installer(*machine);
  installer.Context().featureBytes = u"3Xa";
  EXPECT_FALSE(installer.HasFeature(u"aw"));
  EXPECT_TRUE(installer.HasFeature(u"a"));  // a one-character token at an even offset
  WString huge(1 << 20, u'x');
  huge.replace(huge.size() - 2, 2, u"aw");
  installer.Context().featureBytes = huge;
  EXPECT_TRUE(installer.HasFeature(u"aw"));
  huge[huge.size() - 2] = u'x';
  installer.Context().featureBytes = u"x" + huge;  // every "xa" at an odd offset
  EXPECT_FALSE(installer.HasFeature(u"aw"));
}

TEST(BadInputTest, RegistryStringsLargerThanSixtyFourKilobytes) {
  const std::string big(70000, 'q');
  auto machine = testing::MachineFrom(
      R"("registry": {"HKLM\\SOFTWARE\\WOW6432Node\\T": {"Big": ")" + big + R"("}})");
  EXPECT_EQ(Utf16ToUtf8(ReadRegistryString(machine->registry(), u"Software\\T", u"Big")), big);
}

// Another program rewrites the value between the size read and the data read.
TEST(BadInputTest, RegistryStringsThatChangeBetweenTheTwoReads) {
  struct Case {
    const char* name;
    std::optional<std::string> after;  // nullopt: deleted
    const char* expected;
  } cases[] = {
      {"unchanged", "19041", "19041"},
      {"shrank", "190", "190"},
      {"grew within the buffer's spare character", "190410", "190410"},
      {"grew past the buffer", "1904100000", ""},
      {"deleted", std::nullopt, ""},
  };
  for (const Case& c : cases) {
    auto machine = testing::MachineFrom(
        R"("registry": {"HKLM\\SOFTWARE\\WOW6432Node\\T": {"Build": "19041"}})");
    std::optional<sim::RegistryValue> after;
    if (c.after) {
      after = sim::RegistryValue{u"Build", win::kRegSz, sim::RegSzBytes(Utf8ToUtf16(*c.after))};
    }
    machine->registry().ChangeAfterNextQuery(u"Build", after);
    EXPECT_EQ(Utf16ToUtf8(ReadRegistryString(machine->registry(), u"Software\\T", u"Build")),
              c.expected)
        << c.name;
    EXPECT_EQ(machine->registry().OpenKeyCount(), 0u) << c.name;
  }
}

}  // namespace
}  // namespace presetra
