// clang-format off
#include <initguid.h>
#include <devguid.h>
// clang-format on

#include "platform/win32/handles.h"
#include "platform/win32/system.h"

namespace presetra::win32 {

namespace {
HDEVINFO ToSet(platform::DeviceInfoSet set) {
  return ToNative<HDEVINFO>(set);
}
}  // namespace

platform::DeviceInfoSet Devices::GetNetClassDevices() {
  HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_NET, nullptr, nullptr, 0);
  if (set == INVALID_HANDLE_VALUE) return platform::kInvalidDeviceInfoSet;
  return FromNative<platform::DeviceInfoSet>(set);
}

bool Devices::EnumDeviceInfo(platform::DeviceInfoSet set, win::Dword index) {
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  return SetupDiEnumDeviceInfo(ToSet(set), index, &device) != FALSE;
}

bool Devices::GetDeviceRegistryProperty(platform::DeviceInfoSet set, win::Dword index,
                                        win::Dword property, std::uint8_t* buffer,
                                        win::Dword bufferSize, win::Dword* requiredSize,
                                        win::Long* lastError) {
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  if (!SetupDiEnumDeviceInfo(ToSet(set), index, &device)) {
    *lastError = static_cast<win::Long>(GetLastError());
    return false;
  }
  DWORD required = 0;
  BOOL ok = SetupDiGetDeviceRegistryPropertyW(ToSet(set), &device, property, nullptr, buffer,
                                              bufferSize, &required);
  if (!ok) *lastError = static_cast<win::Long>(GetLastError());
  if (requiredSize != nullptr) *requiredSize = required;
  return ok != FALSE;
}

bool Devices::DestroyDeviceInfoList(platform::DeviceInfoSet set) {
  return SetupDiDestroyDeviceInfoList(ToSet(set)) != FALSE;
}

}  // namespace presetra::win32
