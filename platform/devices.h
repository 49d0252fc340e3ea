// The device set of the network-adapter setup class, as SetupAPI presents it.
#pragma once

#include <cstdint>

#include "platform/handle.h"
#include "platform/win_constants.h"

namespace presetra::platform {

using DeviceInfoSet = TypedHandle<struct DeviceInfoSetKind>;
// INVALID_HANDLE_VALUE, which SetupAPI returns for no set.
inline constexpr DeviceInfoSet kInvalidDeviceInfoSet{static_cast<std::uintptr_t>(-1)};

class Devices {
 public:
  virtual ~Devices() = default;
  // SetupDiGetClassDevsW(GUID_DEVCLASS_NET, no enumerator, no window, 0): present and
  // recorded-but-absent devices. kInvalidDeviceInfoSet on failure.
  [[nodiscard]] virtual DeviceInfoSet GetNetClassDevices() = 0;
  // SetupDiEnumDeviceInfo: true when the set has a member at `index`.
  [[nodiscard]] virtual bool EnumDeviceInfo(DeviceInfoSet set, win::Dword index) = 0;
  // SetupDiGetDeviceRegistryPropertyW of member `index`. On failure returns false and sets
  // *lastError; with a buffer that is too small, the error is ERROR_INSUFFICIENT_BUFFER and
  // *requiredSize tells the size. *requiredSize is also set on success.
  [[nodiscard]] virtual bool GetDeviceRegistryProperty(DeviceInfoSet set, win::Dword index,
                                                       win::Dword property, std::uint8_t* buffer,
                                                       win::Dword bufferSize,
                                                       win::Dword* requiredSize,
                                                       win::Long* lastError) = 0;
  virtual bool DestroyDeviceInfoList(DeviceInfoSet set) = 0;
};

// Owns a device set and destroys it once, when it goes.
class ScopedDeviceInfoSet {
 public:
  ScopedDeviceInfoSet(Devices& devices, DeviceInfoSet set) : devices_(devices), set_(set) {}
  ScopedDeviceInfoSet(const ScopedDeviceInfoSet&) = delete;
  ScopedDeviceInfoSet& operator=(const ScopedDeviceInfoSet&) = delete;
  ~ScopedDeviceInfoSet() {
    if (valid()) (void)devices_.DestroyDeviceInfoList(set_);
  }
  DeviceInfoSet get() const { return set_; }
  bool valid() const { return set_ != kInvalidDeviceInfoSet; }

 private:
  Devices& devices_;
  DeviceInfoSet set_;
};

}  // namespace presetra::platform
