#include "platform/sim/devices.h"

#include <algorithm>

namespace presetra::sim {

namespace {
// The text's units and a terminating NUL, after what is there.
void AppendUnits(std::vector<std::uint8_t>& bytes, WStringView text) {
  const std::vector<std::uint8_t> units = Utf16LeBytes(text);
  bytes.insert(bytes.end(), units.begin(), units.end());
  bytes.insert(bytes.end(), {0, 0});
}
}  // namespace

platform::DeviceInfoSet Devices::GetNetClassDevices() {
  if (faults_.ShouldFail(Call::kDeviceSet)) return platform::kInvalidDeviceInfoSet;
  const platform::DeviceInfoSet set(nextSet_++);
  openSets_.insert(set);
  return set;
}

bool Devices::EnumDeviceInfo(platform::DeviceInfoSet set, win::Dword index) {
  if (faults_.ShouldFail(Call::kDeviceEnum)) return false;
  return openSets_.count(set) != 0 && index < adapters.size();
}

bool Devices::GetDeviceRegistryProperty(platform::DeviceInfoSet set, win::Dword index,
                                        win::Dword property, std::uint8_t* buffer,
                                        win::Dword bufferSize, win::Dword* requiredSize,
                                        win::Long* lastError) {
  if (faults_.ShouldFail(Call::kDeviceProperty)) {
    *lastError = win::kErrorInvalidData;
    return false;
  }
  if (openSets_.count(set) == 0 || index >= adapters.size()) {
    *lastError = win::kErrorInvalidParameter;
    return false;
  }
  const NetworkAdapter& adapter = adapters[index];
  std::vector<std::uint8_t> bytes;
  const std::optional<WString>* text = nullptr;
  switch (property) {
    case win::kSpdrpDeviceDesc:
      text = &adapter.description;
      break;
    case win::kSpdrpDriver:
      text = &adapter.driver;
      break;
    case win::kSpdrpEnumeratorName:
      text = &adapter.enumerator;
      break;
    case win::kSpdrpHardwareId:
      if (!adapter.hardwareIds) {
        *lastError = win::kErrorInvalidData;
        return false;
      }
      for (const auto& id : *adapter.hardwareIds) AppendUnits(bytes, id);
      bytes.insert(bytes.end(), {0, 0});
      break;
    default:
      *lastError = win::kErrorInvalidData;
      return false;
  }
  if (text != nullptr) {
    if (!*text) {
      *lastError = win::kErrorInvalidData;
      return false;
    }
    AppendUnits(bytes, **text);
  }
  if (requiredSize != nullptr) *requiredSize = static_cast<win::Dword>(bytes.size());
  if (buffer == nullptr || bufferSize < bytes.size()) {
    *lastError = win::kErrorInsufficientBuffer;
    return false;
  }
  std::copy(bytes.begin(), bytes.end(), buffer);
  return true;
}

bool Devices::DestroyDeviceInfoList(platform::DeviceInfoSet set) {
  return openSets_.erase(set) != 0;
}

}  // namespace presetra::sim
