#include "policy/network_adapters.h"

#include <optional>
#include <vector>

#include "policy/os_def_set.h"
#include "wmi/wmi_client.h"

namespace presetra {

namespace {

constexpr std::size_t kHardwareIdBufferBytes = 8192;
constexpr std::uint32_t kPnPCapabilitiesManaged = 0x120;
constexpr const char16_t* kWirelessWords[] = {u"wireless", u"wlan", u"w/lan", u"wi-fi"};
constexpr const char16_t* kControlSets[] = {u"System\\CurrentControlSet\\Control\\Class\\",
                                            u"System\\ControlSet001\\Control\\Class\\"};

std::optional<WString> ReadProperty(platform::Devices& devices, platform::DeviceInfoSet set,
                                    win::Dword index, win::Dword property) {
  auto bytes = ReadDeviceProperty(devices, set, index, property);
  if (!bytes) return std::nullopt;
  return TextOfUtf16Le(bytes->data(), bytes->size());
}

struct HardwareIds {
  std::optional<WString> first;
  WString classCodeWireless;  // the entry with class code 0280, upper-cased; empty: none
};

// The hardware ID list, read once into a fixed buffer: the first entry identifies the
// adapter, a later one with the class code of "other network controllers" marks it wireless.
HardwareIds ReadHardwareIds(CMSIInstaller& installer, platform::DeviceInfoSet set,
                            win::Dword index) {
  HardwareIds ids;
  std::vector<std::uint8_t> buffer(kHardwareIdBufferBytes, 0);
  win::Dword listBytes = 0;
  win::Long error = win::kErrorSuccess;
  if (!installer.System().devices().GetDeviceRegistryProperty(
          set, index, win::kSpdrpHardwareId, buffer.data(), static_cast<win::Dword>(buffer.size()),
          &listBytes, &error)) {
    return ids;
  }
  auto unitAt = [&buffer](std::size_t offset) {
    return static_cast<char16_t>(buffer[offset] | (buffer[offset + 1] << 8));
  };
  std::size_t offset = 0;
  bool first = true;
  while (offset + listBytes <= kHardwareIdBufferBytes && offset + 1 < buffer.size() &&
         unitAt(offset) != u'\0') {
    WString entry;
    for (; offset + 1 < buffer.size() && unitAt(offset) != u'\0'; offset += 2) {
      entry.push_back(unitAt(offset));
    }
    offset += 2;
    if (first) {
      ids.first = entry;
      first = false;
      continue;
    }
    WString upper = ToUpper(entry);
    if (upper.find(u"CC_0280") != WString::npos) {
      installer.Log(Format(u"CC_0280 Found: %s ", upper));
      ids.classCodeWireless = upper;
      break;
    }
  }
  return ids;
}

bool IsWirelessDescription(const WString& description) {
  const WString lower = ToLower(description);
  for (const char16_t* word : kWirelessWords) {
    if (lower.find(word) != WString::npos) return true;
  }
  return false;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadDeviceProperty(platform::Devices& devices,
                                                            platform::DeviceInfoSet set,
                                                            win::Dword index, win::Dword property) {
  std::vector<std::uint8_t> buffer;
  win::Dword required = 0;
  win::Long error = win::kErrorSuccess;
  bool ok = devices.GetDeviceRegistryProperty(set, index, property, nullptr, 0, &required, &error);
  while (!ok && error == win::kErrorInsufficientBuffer) {
    // A size that does not grow would ask again for ever: such a property is unreadable.
    if (required <= buffer.size()) return std::nullopt;
    buffer.assign(required, 0);
    ok = devices.GetDeviceRegistryProperty(set, index, property, buffer.data(),
                                           static_cast<win::Dword>(buffer.size()), &required,
                                           &error);
  }
  if (!ok) return std::nullopt;
  return buffer;
}

WString WqlPattern(const WString& hardwareId) {
  WString pattern;
  for (char16_t c : hardwareId) {
    if (c == u'\\') {
      pattern += u"\\\\";
    } else if (c == u'"') {
      pattern += u"\\\"";
    } else if (c == u'%') {
      pattern += u"[%]";
    } else if (c == u'[') {
      pattern += u"[[]";
    } else {
      pattern.push_back(c);
    }
  }
  return pattern;
}

WString AdapterWmiQuery(const WmiSetting& setting, const WString& hardwareId) {
  return Format(u"SELECT * FROM %s WHERE InstanceName LIKE \"%%%s%%\"", WString(setting.className),
                WqlPattern(hardwareId));
}

namespace {

// How many of the settings WMI took, in order: all of them, or those before the first refusal.
std::size_t WriteWmiSettings(platform::System& system, ComSecurity& security,
                             const WString& hardwareId) {
  CWMIClient client(system, security);
  if (client.Connect(u"\\\\.\\root\\wmi") != win::kSOk) return 0;
  // VARIANT_TRUE's 16 bits in a VT_I4; WMI converts it to the properties' boolean type.
  const platform::Variant enable = platform::Variant::I4(0xFFFF);
  std::size_t written = 0;
  for (const WmiSetting& setting : kWmiSettings) {
    if (client.ExecQuery(AdapterWmiQuery(setting, hardwareId).c_str()) != win::kSOk ||
        client.PutProperty(setting.property, enable) != win::kSOk) {
      break;
    }
    ++written;
  }
  return written;
}

// Whether the value was written in either control set.
bool WritePnPCapabilities(platform::Registry& registry, const WString& driverKey) {
  bool written = false;
  for (const char16_t* controlSet : kControlSets) {
    const win::Long result = platform::WriteValue(
        registry, platform::kHkeyLocalMachine, controlSet + driverKey,
        win::kKeyAllAccess | win::kKeyWow64_64Key, platform::KeyOpening::kOpenExisting,
        u"PnPCapabilities", platform::RegData::Dword(kPnPCapabilitiesManaged));
    written = written || result == win::kErrorSuccess;
  }
  return written;
}

}  // namespace

void COSDefSet::ConfigureNetworkAdapters() {
  CMSIInstaller* installer = Installer();
  platform::System& system = installer->System();
  platform::Devices& devices = system.devices();
  const platform::ScopedDeviceInfoSet adapters(devices, devices.GetNetClassDevices());
  installer->Decided({.question = Question::kNetworkAdaptersListed, .answer = adapters.valid()});
  if (!adapters.valid()) {
    installer->Log(u"Unable to enumerate NIC devices; failed to set NIC power management settings");
    return;
  }
  const platform::DeviceInfoSet set = adapters.get();
  for (win::Dword index = 0; devices.EnumDeviceInfo(set, index); ++index) {
    auto description = ReadProperty(devices, set, index, win::kSpdrpDeviceDesc);
    auto driver = ReadProperty(devices, set, index, win::kSpdrpDriver);
    auto enumerator = ReadProperty(devices, set, index, win::kSpdrpEnumeratorName);
    HardwareIds ids = ReadHardwareIds(*installer, set, index);
    const bool pci =
        description && driver && enumerator && ids.first && EqualsIgnoringCase(*enumerator, u"PCI");
    installer->Decided({.question = Question::kPciAdapter,
                        .answer = pci,
                        .values = {{u"DeviceDesc", description.value_or(WString())},
                                   {u"Driver", driver.value_or(WString())},
                                   {u"EnumeratorName", enumerator.value_or(WString())},
                                   {u"HardwareID", ids.first.value_or(WString())}},
                        .device = index});
    if (!pci) continue;
    installer->Log(Format(u"Setting %s (%s) power management", *description, *driver));
    const bool wireless = IsWirelessDescription(*description) || !ids.classCodeWireless.empty();
    installer->Decided(
        {.question = Question::kWirelessAdapter,
         .answer = wireless,
         .values = {{u"DeviceDesc", *description}, {u"HardwareID", ids.classCodeWireless}},
         .device = index});
    if (wireless) {
      installer->Log(u"Wireless, skip settings");
      continue;
    }
    installer->Log(u"Not Wireless, set settings");
    const std::size_t throughWmi =
        WriteWmiSettings(system, installer->Module().comSecurity, *ids.first);
    installer->Decided({.question = Question::kAdapterThroughWmi,
                        .answer = throughWmi == std::size(kWmiSettings),
                        .values = {{u"Settings", Format(u"%u", unsigned(throughWmi))}},
                        .device = index});
    if (throughWmi < std::size(kWmiSettings)) {
      installer->Decided({.question = Question::kAdapterThroughPnPCapabilities,
                          .answer = WritePnPCapabilities(system.registry(), *driver),
                          .device = index});
    }
  }
}

}  // namespace presetra
