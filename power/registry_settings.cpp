#include "power/registry_settings.h"

namespace presetra {

namespace {
constexpr char16_t kHibernateAfterKey[] =
    u"SYSTEM\\CurrentControlSet\\Control\\Power\\PowerSettings\\"
    u"238C9FA8-0AAD-41ED-83F4-97BE242C8F20\\9d7815a6-7ee4-497e-8888-515a05f02364";
// Windows' power-setting attribute that hides a setting from the advanced power options.
constexpr std::uint32_t kAttributeHide = 1;
}  // namespace

PowerSettingViaRegistry::PowerSettingViaRegistry(platform::Registry& registry, WStringView subKey)
    : registry_(registry), key_(registry) {
  (void)registry_.OpenKey(platform::kHkeyLocalMachine, subKey,
                          win::kKeyAllAccess | win::kKeyWow64_64Key, key_.Receive());
}

bool PowerSettingViaRegistry::WriteDword(WStringView name, std::uint32_t value) {
  if (!key_) return false;
  return key_.SetValue(name, platform::RegData::Dword(value)) == win::kErrorSuccess;
}

SessionManagerPower::SessionManagerPower(platform::Registry& registry)
    : PowerSettingViaRegistry(registry,
                              u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Power") {}

bool SessionManagerPower::Apply() {
  return WriteDword(u"HiberbootEnabled", 1);
}

FlyoutMenuSettings::FlyoutMenuSettings(platform::Registry& registry)
    : PowerSettingViaRegistry(
          registry, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FlyoutMenuSettings") {
}

bool FlyoutMenuSettings::Apply() {
  bool sleep = WriteDword(u"ShowSleepOption", 1);
  bool hibernate = WriteDword(u"ShowHibernateOption", 0);
  bool lock = WriteDword(u"ShowLockOption", 1);
  return sleep && hibernate && lock;
}

bool HideHibernateAfter(CMSIInstaller* installer) {
  platform::Registry& registry = installer->System().registry();
  const WString keyPath = kHibernateAfterKey;
  platform::ScopedRegKey key(registry);
  // The SYSTEM hive has one view: no view flag.
  if (registry.OpenKey(platform::kHkeyLocalMachine, keyPath, win::kKeyAllAccess, key.Receive()) !=
      win::kErrorSuccess) {
    installer->Log(u"Error opening " + keyPath);
    return true;
  }
  installer->Log(u"Opened Key " + keyPath);
  if (key.SetValue(u"Attributes", platform::RegData::Dword(kAttributeHide)) != win::kErrorSuccess) {
    installer->Log(u"Error setting Attributes");
  } else {
    installer->Log(u"Sucessfully set Attributes");
  }
  if (key.Close() != win::kErrorSuccess) installer->Log(u"Error closing " + keyPath);
  return true;
}

}  // namespace presetra
