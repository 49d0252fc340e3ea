#include "machine/layout.h"

#include <algorithm>

#include "platform/bytes_text.h"

namespace presetra::machine {

std::vector<RegistryKeyEdit> BaseImageRegistry() {
  std::vector<RegistryKeyEdit> keys;
  for (const char16_t* key : {
           u"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Power",
           u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FlyoutMenuSettings",
           u"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Power\\PowerSettings\\"
           u"238C9FA8-0AAD-41ED-83F4-97BE242C8F20\\9d7815a6-7ee4-497e-8888-515a05f02364",
       }) {
    keys.push_back({key, std::vector<RegistryValue>{}});
  }
  for (const char16_t* key :
       {u"HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
        u"HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion"}) {
    keys.push_back({key, std::vector<RegistryValue>{{u"CurrentBuildNumber", win::kRegSz,
                                                     platform::RegData::String(u"19041").bytes}}});
  }
  return keys;
}

WString AdapterInstanceName(const NetworkAdapter& adapter, std::size_t index) {
  if (!adapter.hardwareIds || adapter.hardwareIds->empty()) return WString();
  return adapter.hardwareIds->front() + u"\\4&2B8260C3&0&00" + Utf8ToUtf16(std::to_string(index)) +
         u"E4_0";
}

WString ProgramFilesFolder(PackageArchitecture architecture) {
  return architecture == PackageArchitecture::kX64 ? u"C:\\Program Files"
                                                   : u"C:\\Program Files (x86)";
}

WString InstallDir(PackageArchitecture architecture) {
  return ProgramFilesFolder(architecture) + u"\\Vorlan\\Presetra\\";
}

std::vector<FolderStep> FactoryFolderSteps(FactoryFolder folder) {
  using Kind = FolderStep::Kind;
  switch (folder) {
    case FactoryFolder::kAbsent:
      break;
    case FactoryFolder::kPresent:
      return {{Kind::kFolder, kLogFolder}};
    case FactoryFolder::kReadOnly:
      return {{Kind::kReadOnlyFolder, kFactoryFolder}};
    case FactoryFolder::kUserOwned:
      return {{Kind::kFolder, kFactoryFolder, true},
              {Kind::kFolder, kLogsFolder, true},
              {Kind::kFolder, kLogFolder, true}};
    case FactoryFolder::kLinked:
      // Folders made at the root of C:\ let any signed-in user change what is inside them,
      // also where an administrator made them.
      return {{Kind::kFolder, kUsersFolder, true},
              {Kind::kFolder, kFactoryFolder, false, {}, true},
              {Kind::kFolder, kLogsFolder, false, {}, true},
              {Kind::kLink, kLogFolder, false, kUsersFolder}};
    case FactoryFolder::kLinkedRoot:
      return {{Kind::kFolder, kUsersFolder, true},
              {Kind::kLink, kFactoryFolder, false, kUsersFolder}};
    case FactoryFolder::kUsersCanWrite:
      return {{Kind::kFolder, kFactoryFolder, false, {}, true},
              {Kind::kFolder, kLogsFolder, false, {}, true},
              {Kind::kFolder, kLogFolder, false, {}, true}};
  }
  return {};
}

std::vector<WString> AdapterClassKeys(const WString& driver) {
  std::vector<WString> keys;
  for (const char16_t* controlSet : {u"CurrentControlSet", u"ControlSet001"}) {
    keys.push_back(WString(u"HKLM\\SYSTEM\\") + controlSet + u"\\Control\\Class\\" + driver);
  }
  return keys;
}

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
    for (const WString& key : AdapterClassKeys(*adapter.driver)) {
      values.push_back({key, u"PnPCapabilities"});
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

std::vector<WString> ImageRegistryKeys() {
  std::vector<WString> keys = {u"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra",
                               u"HKLM\\SOFTWARE\\Vorlan\\Presetra"};
  auto add = [&keys](const WString& key) {
    if (std::none_of(keys.begin(), keys.end(),
                     [&](const WString& known) { return EqualsIgnoringCase(known, key); })) {
      keys.push_back(key);
    }
  };
  for (const auto& edit : BaseImageRegistry()) add(edit.path);
  for (const auto& [key, name] : WrittenValues(MachineProfile{})) add(key);
  return keys;
}

}  // namespace presetra::machine
