// The base image, profile loading, and the COM runtime of the simulated machine.
#include <gtest/gtest.h>

#include "platform/sim/machine.h"
#include "test_machine.h"

namespace presetra::sim {
namespace {

using presetra::testing::MachineFrom;

TEST(SimMachineTest, BaseImageIsACleanWindows10) {
  Machine machine;
  for (const char16_t* key :
       {u"HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
        u"HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion"}) {
    auto build = machine.registry().GetValue(key, u"CurrentBuildNumber");
    ASSERT_TRUE(build.has_value());
    EXPECT_EQ(build->data, RegSzBytes(u"19041"));
  }
  EXPECT_FALSE(machine.registry().KeyExists(u"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra"));
  EXPECT_TRUE(machine.files().IsFile(u"C:\\Windows\\system32\\powercfg.exe"));
  EXPECT_TRUE(machine.files().IsFile(machine.InstallDir() + u"Data Files\\TBIOS.cmd"));
  EXPECT_FALSE(machine.files().IsFolder(u"C:\\System.sav"));
  bool aoac = true;
  ASSERT_TRUE(machine.power().GetPwrCapabilities(&aoac));
  EXPECT_FALSE(aoac);
}

TEST(SimMachineTest, ProfileLaysItsFactsOverTheBaseImage) {
  auto machine = MachineFrom(R"(
    "registry": {
      "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FlyoutMenuSettings": null,
      "HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra": {
        "MachineID": "62E6", "N": 5, "Q": {"type": "REG_QWORD", "data": 5},
        "M": {"type": "REG_MULTI_SZ", "data": ["a", "b"]},
        "B": {"type": "REG_BINARY", "data": "0a1B"},
        "S": {"type": "REG_SZ", "data": "ab", "nul": false}}},
    "factory_folder": "read_only", "package_scripts": "absent",
    "power": {"connected_standby": "error"}, "system_folder": "C:\\windows\\system32")");
  Registry& registry = machine->registry();
  const WString key = u"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra";
  EXPECT_FALSE(registry.KeyExists(
      u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FlyoutMenuSettings"));
  EXPECT_EQ(registry.GetValue(key, u"N")->data, RegDwordBytes(5));
  EXPECT_EQ(registry.GetValue(key, u"Q")->data,
            (std::vector<std::uint8_t>{5, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(registry.GetValue(key, u"M")->data,
            (std::vector<std::uint8_t>{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}));
  EXPECT_EQ(registry.GetValue(key, u"B")->data, (std::vector<std::uint8_t>{0x0a, 0x1b}));
  EXPECT_EQ(registry.GetValue(key, u"S")->data, (std::vector<std::uint8_t>{'a', 0, 'b', 0}));
  EXPECT_TRUE(machine->files().IsFolder(u"C:\\System.sav"));
  EXPECT_FALSE(machine->files().CreateDirectory(u"C:\\System.sav\\LOGS"));
  EXPECT_FALSE(machine->files().IsFile(machine->InstallDir() + u"Data Files\\MSD.cmd"));
  bool aoac = false;
  EXPECT_FALSE(machine->power().GetPwrCapabilities(&aoac));
}

TEST(SimMachineTest, MalformedProfilesNameTheField) {
  struct Case {
    std::string json;
    std::string field;
  } cases[] = {
      {R"({"profile": 2})", "profile"},
      {R"({"firmware": {}})", "profile"},
      {R"({"profile": 1, "firmware": {"oem_strings": "x"}})", "firmware.oem_strings"},
      {R"({"profile": 1, "firmware": {"oem_strings": ["a", 5]}})", "firmware.oem_strings[1]"},
      {R"({"profile": 1, "power": {"connected_standby": "yes"}})", "power.connected_standby"},
      {R"({"profile": 1, "registry": {"HKLM\\S": {"V": 1.5}}})", "registry[\"HKLM\\S\"][\"V\"]"},
      {R"({"profile": 1, "registry": {"HKLM\\S": {"V": -1}}})", "registry[\"HKLM\\S\"][\"V\"]"},
      {R"({"profile": 1, "registry": {"HKLM\\S": {"V": {"type": "REG_BINARY", "data": "0g"}}}})",
       "registry[\"HKLM\\S\"][\"V\"].data"},
      {R"({"profile": 1, "registry": {"HKCU\\S": {}}})", "registry[\"HKCU\\S\"]"},
      {R"({"profile": 1, "network_adapters": [{"wmi": "maybe"}]})", "network_adapters[0].wmi"},
      {R"({"profile": 1, "factory_folder": true})", "factory_folder"},
      {R"({"profile": 1, "ui_language": "en"})", "ui_language"},
      {R"({"profile": 1, "package_architecture": "amd64"})", "package_architecture"},
      {"{\"profile\": 1, \"description\": \"\xff\"}", ""},
      {R"([1, 2])", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    try {
      ParseProfile(c.json);
      ADD_FAILURE() << "accepted: " << c.json;
    } catch (const ProfileError& error) {
      EXPECT_EQ(error.field(), c.field) << c.json << "\n" << error.what();
    }
  }
}

TEST(SimMachineTest, ComCountsInitialisationsPerThread) {
  Machine machine;
  Com& com = machine.com();
  EXPECT_EQ(com.CoInitializeEx(win::kCoinitApartmentThreaded), win::kSOk);
  EXPECT_EQ(com.CoInitializeEx(win::kCoinitApartmentThreaded), win::kSFalse);
  EXPECT_EQ(com.CoInitializeEx(0 /* multithreaded */), win::kRpcEChangedMode);
  EXPECT_EQ(com.InitCount(), 2);
  EXPECT_EQ(com.CoInitializeSecurity(0, 3, 0), win::kSOk);
  EXPECT_EQ(com.CoInitializeSecurity(0, 3, 0), win::kRpcETooLate);
  com.CoUninitialize();
  com.CoUninitialize();
  EXPECT_EQ(com.InitCount(), 0);
  platform::WbemLocatorPtr locator;
  EXPECT_EQ(com.CreateWbemLocator(&locator), static_cast<win::HResult>(0x800401F0));
  EXPECT_EQ(locator, nullptr);
}

TEST(SimMachineTest, WqlLikeMatchesAsWmiDoes) {
  EXPECT_TRUE(WqlLike(u"PCI\\VEN_8086&DEV_15BB\\4&1_0", u"%pci\\ven_8086&DEV_15BB%"));
  EXPECT_TRUE(WqlLike(u"abc", u"a_c"));
  EXPECT_FALSE(WqlLike(u"abc", u"%abd%"));
  EXPECT_TRUE(WqlLike(u"", u"%"));
}

}  // namespace
}  // namespace presetra::sim

namespace presetra::sim {
namespace {

TEST(SimMachineTest, ANumberTooLargeForAnyTypeIsAMalformedProfile) {
  EXPECT_THROW(ParseProfile(R"({"profile": 1, "ui_language": 1e999})"), ProfileError);
  EXPECT_THROW(ParseProfile(R"({"profile": 1, "ui_language": 99999999999999999999999})"),
               ProfileError);
}

}  // namespace
}  // namespace presetra::sim

namespace presetra::sim {
namespace {

// A misspelt field must never pass for an absent one: the machine would be another machine.
TEST(SimMachineTest, AFieldTheFormatDoesNotKnowIsAnErrorThatNamesTheNearestOne) {
  struct Case {
    std::string fields;
    std::string message;  // empty: accepted
  } cases[] = {
      {R"("power": {"conected_standby": true})",
       R"(power.conected_standby: unknown field; did you mean "connected_standby"?)"},
      {R"("firmware": {"oem_string": ["FBYTE#3X."]})",
       R"(firmware.oem_string: unknown field; did you mean "oem_strings"?)"},
      {R"("network_adapter": [])",
       R"(network_adapter: unknown field; did you mean "network_adapters"?)"},
      {R"("network_adapters": [{"enumertor": "PCI"}])",
       R"(network_adapters[0].enumertor: unknown field; did you mean "enumerator"?)"},
      {R"("registry": {"HKLM\\S": {"V": {"type": "REG_SZ", "data": "x", "nil": false}}})",
       R"(registry["HKLM\S"]["V"].nil: unknown field; did you mean "nul"?)"},
      {R"("colour": "red")", "colour: unknown field"},
      // Free text and fields for other tools.
      {R"("description": "x", "_comment": 1, "power": {"_note": "x"})", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    const std::string json = R"({"profile": 1, )" + c.fields + "}";
    try {
      ParseProfile(json);
      EXPECT_EQ(c.message, "") << json;
    } catch (const ProfileError& error) {
      EXPECT_EQ(error.what(), c.message) << json;
    }
  }
}

TEST(SimMachineTest, AValueNameNearOneTheActionsReadIsAWarning) {
  const auto profile = ParseProfile(R"({"profile": 1, "registry": {
      "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion":
          {"CurrentBuildNumer": "19041"},
      "HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra": {"MachineID": "62E6", "Versoin": "1.0"}}})");
  EXPECT_EQ(
      profile.warnings,
      (std::vector<std::string>{
          R"(registry["HKLM\SOFTWARE\WOW6432Node\Microsoft\Windows NT\CurrentVersion"]["CurrentBuildNumer"]: the actions read "CurrentBuildNumber", which this key does not have; is this it?)",
          R"(registry["HKLM\SOFTWARE\WOW6432Node\Vorlan\Presetra"]["Versoin"]: the actions read "Version", which this key does not have; is this it?)"}));
  // Spelt right, or beside the right spelling: nothing to say.
  EXPECT_TRUE(ParseProfile(R"({"profile": 1, "registry": {
      "HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra": {"Version": "1", "Versions": "2"}}})")
                  .warnings.empty());
}

}  // namespace
}  // namespace presetra::sim
