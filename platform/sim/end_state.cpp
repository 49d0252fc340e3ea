#include "platform/sim/end_state.h"

namespace presetra::sim {

std::vector<std::pair<WString, WString>> WrittenValues(const MachineProfile& profile) {
  std::vector<std::pair<WString, WString>> values = {
      {u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\ControlPanel\\NameSpace\\"
       u"{025A5937-A6BE-4686-A844-36FE4BEC8B6D}",
       u"PreferredPlan"},
      {u"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Power", u"HiberbootEnabled"},
      {u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FlyoutMenuSettings",
       u"ShowSleepOption"},
      {u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FlyoutMenuSettings",
       u"ShowHibernateOption"},
      {u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FlyoutMenuSettings",
       u"ShowLockOption"},
      {u"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Power\\PowerSettings\\"
       u"238C9FA8-0AAD-41ED-83F4-97BE242C8F20\\9d7815a6-7ee4-497e-8888-515a05f02364",
       u"Attributes"},
      {u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\AutoRotation", u"Enable"},
      {u"HKLM\\SYSTEM\\CurrentControlSet\\Control\\DeviceGuard\\Scenarios\\SecureBiometrics",
       u"Enabled"},
      {u"HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AdaptiveDisplayBrightness\\"
       u"{23B44AF2-78CE-4943-81DF-89817E8D23FD}",
       u"AutobrightnessLuxToNitsCurve"},
  };
  for (const auto& adapter : profile.networkAdapters) {
    if (!adapter.driver) continue;
    for (const char16_t* controlSet : {u"CurrentControlSet", u"ControlSet001"}) {
      values.push_back(
          {WString(u"HKLM\\SYSTEM\\") + controlSet + u"\\Control\\Class\\" + *adapter.driver,
           u"PnPCapabilities"});
    }
  }
  return values;
}

std::string ValueLine(const WString& key, const WString& name,
                      const std::optional<std::uint32_t>& type,
                      const std::vector<std::uint8_t>& data) {
  std::string line = Utf16ToUtf8(key) + "\t" + Utf16ToUtf8(name) + "\t";
  if (!type) return line + "absent\n";
  return line + std::to_string(*type) + "\t" + HexBytes(data.data(), data.size()) + "\n";
}

}  // namespace presetra::sim
