#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "machine/profile.h"
#include "platform/devices.h"
#include "platform/sim/faults.h"
#include "platform/text.h"

namespace presetra::sim {

using machine::NetworkAdapter;

class Devices : public platform::Devices {
 public:
  explicit Devices(Faults& faults) : faults_(faults) {}

  platform::DeviceInfoSet GetNetClassDevices() override;
  bool EnumDeviceInfo(platform::DeviceInfoSet set, win::Dword index) override;
  bool GetDeviceRegistryProperty(platform::DeviceInfoSet set, win::Dword index, win::Dword property,
                                 std::uint8_t* buffer, win::Dword bufferSize,
                                 win::Dword* requiredSize, win::Long* lastError) override;
  bool DestroyDeviceInfoList(platform::DeviceInfoSet set) override;

  std::vector<NetworkAdapter> adapters;
  std::size_t OpenSetCount() const { return openSets_.size(); }

 private:
  Faults& faults_;
  std::set<platform::DeviceInfoSet> openSets_;
  std::uintptr_t nextSet_ = 0x5000;
};

}  // namespace presetra::sim
