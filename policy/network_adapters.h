// What the adapters' power management reads and writes: the WMI classes and properties it turns
// on, and how an adapter is found in them and in its device properties.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/devices.h"
#include "platform/text.h"

namespace presetra {

struct WmiSetting {
  const char16_t* className;
  const char16_t* property;
};
// Allow the computer to turn the device off; allow it to wake the computer; only a magic
// packet may wake it.
inline constexpr WmiSetting kWmiSettings[] = {
    {u"MSPower_DeviceEnable", u"Enable"},
    {u"MSPower_DeviceWakeEnable", u"Enable"},
    {u"MSNdis_DeviceWakeOnMagicPacketOnly", u"EnableWakeOnMagicPacketOnly"},
};

// A device registry property's bytes, read into a buffer of the size the system reports;
// nullopt when it cannot be read.
std::optional<std::vector<std::uint8_t>> ReadDeviceProperty(platform::Devices& devices,
                                                            platform::DeviceInfoSet set,
                                                            win::Dword index, win::Dword property);

// The pattern of a WQL LIKE literal that matches the hardware ID itself: every backslash
// doubled, as WQL string literals require. A double quote would end the literal and "%" or "["
// would widen the match to other adapters' instances, so they are escaped too; hardware IDs
// of real devices have none of them, and their pattern is the ID with doubled backslashes.
WString WqlPattern(const WString& hardwareId);

// The query for the instances of one setting's class that belong to the adapter with this
// hardware ID, in root\\wmi.
WString AdapterWmiQuery(const WmiSetting& setting, const WString& hardwareId);

}  // namespace presetra
