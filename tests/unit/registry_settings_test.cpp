// Fast startup, the power menus and the hidden hibernate-after setting.
#include "power/registry_settings.h"

#include <gtest/gtest.h>

#include "test_machine.h"

namespace presetra {
namespace {

using testing::kOsitLog;
using testing::LogTexts;
using testing::MachineFrom;

constexpr char16_t kFlyout[] =
    u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FlyoutMenuSettings";
constexpr char16_t kSessionPower[] =
    u"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Power";
const std::string kHibernateKey =
    "SYSTEM\\CurrentControlSet\\Control\\Power\\PowerSettings\\"
    "238C9FA8-0AAD-41ED-83F4-97BE242C8F20\\9d7815a6-7ee4-497e-8888-515a05f02364";

TEST(RegistrySettingsTest, WritesTheValuesAsDwords) {
  auto machine = MachineFrom();
  EXPECT_TRUE(SessionManagerPower(machine->registry()).Apply());
  EXPECT_TRUE(FlyoutMenuSettings(machine->registry()).Apply());
  auto& registry = machine->registry();
  EXPECT_EQ(registry.GetValue(kSessionPower, u"HiberbootEnabled")->data, sim::RegDwordBytes(1));
  EXPECT_EQ(registry.GetValue(kFlyout, u"ShowSleepOption")->data, sim::RegDwordBytes(1));
  EXPECT_EQ(registry.GetValue(kFlyout, u"ShowHibernateOption")->data, sim::RegDwordBytes(0));
  EXPECT_EQ(registry.GetValue(kFlyout, u"ShowLockOption")->data, sim::RegDwordBytes(1));
  EXPECT_EQ(registry.GetValue(kFlyout, u"ShowLockOption")->type, win::kRegDword);
  // Written in the 64-bit view, not under WOW6432Node.
  EXPECT_FALSE(registry.KeyExists(
      u"HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
      u"FlyoutMenuSettings"));
  EXPECT_EQ(registry.OpenKeyCount(), 0u);
}

TEST(RegistrySettingsTest, AMissingKeyIsNotCreated) {
  auto machine = MachineFrom(
      R"("registry": {"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FlyoutMenuSettings": null})");
  EXPECT_FALSE(FlyoutMenuSettings(machine->registry()).Apply());
  EXPECT_FALSE(machine->registry().KeyExists(kFlyout));
}

TEST(RegistrySettingsTest, EveryFlyoutValueIsAttempted) {
  auto machine = MachineFrom();
  machine->faults().FailNthCall(2);  // call 1 opens the key, call 2 is the first write
  EXPECT_FALSE(FlyoutMenuSettings(machine->registry()).Apply());
  EXPECT_FALSE(machine->registry().GetValue(kFlyout, u"ShowSleepOption").has_value());
  EXPECT_TRUE(machine->registry().GetValue(kFlyout, u"ShowLockOption").has_value());
}

TEST(HideHibernateAfterTest, LogsEachStep) {
  struct Case {
    const char* name;
    std::string profile;
    sim::Call fail;
    std::vector<std::string> log;
  } cases[] = {
      {"key present",
       "",
       sim::Call::kFindWindow,
       {"Opened Key " + kHibernateKey, "Sucessfully set Attributes"}},
      {"key missing",
       R"("registry": {"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Power\\PowerSettings\\238C9FA8-0AAD-41ED-83F4-97BE242C8F20\\9d7815a6-7ee4-497e-8888-515a05f02364": null})",
       sim::Call::kFindWindow,
       {"Error opening " + kHibernateKey}},
      {"write fails",
       "",
       sim::Call::kRegSetValue,
       {"Opened Key " + kHibernateKey, "Error setting Attributes"}},
      {"close fails",
       "",
       sim::Call::kRegCloseKey,
       {"Opened Key " + kHibernateKey, "Sucessfully set Attributes",
        "Error closing " + kHibernateKey}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    auto machine =
        MachineFrom(R"("factory_folder": "present")" + (c.profile.empty() ? "" : ", " + c.profile));
    CAdvInstaller installer(*machine);
    SetContextNames(installer);
    installer.SelectLogPath();
    machine->faults().FailEvery(c.fail);
    EXPECT_TRUE(HideHibernateAfter(&installer));
    EXPECT_EQ(LogTexts(*machine, kOsitLog), c.log) << c.name;
    EXPECT_EQ(machine->registry().OpenKeyCount(), 0u) << c.name;
  }
}

TEST(HideHibernateAfterTest, SetsTheHidingAttribute) {
  auto machine = MachineFrom();
  CAdvInstaller installer(*machine);
  HideHibernateAfter(&installer);
  auto value = machine->registry().GetValue(u"HKLM\\" + Utf8ToUtf16(kHibernateKey), u"Attributes");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, win::kRegDword);
  EXPECT_EQ(value->data, sim::RegDwordBytes(1));
}

}  // namespace
}  // namespace presetra
