// Power defaults that powercfg cannot set, written straight into the registry's 64-bit view.
#pragma once

#include <cstdint>

#include "host/installer.h"

namespace presetra {

// One registry key, opened (never created) for the object's lifetime.
class PowerSettingViaRegistry {
 public:
  PowerSettingViaRegistry(platform::Registry& registry, WStringView subKey);
  PowerSettingViaRegistry(const PowerSettingViaRegistry&) = delete;
  PowerSettingViaRegistry& operator=(const PowerSettingViaRegistry&) = delete;
  virtual ~PowerSettingViaRegistry() = default;

  // Writes a REG_DWORD. False, with nothing written, when the key did not open.
  bool WriteDword(WStringView name, std::uint32_t value);

 private:
  platform::Registry& registry_;
  platform::ScopedRegKey key_;
};

// Windows' fast startup.
class SessionManagerPower : public PowerSettingViaRegistry {
 public:
  explicit SessionManagerPower(platform::Registry& registry);
  // "HiberbootEnabled" = 1.
  bool Apply();
};

// The shell's power menus: Sleep and Lock shown, Hibernate hidden.
class FlyoutMenuSettings : public PowerSettingViaRegistry {
 public:
  explicit FlyoutMenuSettings(platform::Registry& registry);
  // Writes all three values, each attempted; true only when all succeeded.
  bool Apply();
};

// Hides the hibernate-after setting from the advanced power options and logs each step.
// Always true.
bool HideHibernateAfter(CMSIInstaller* installer);

}  // namespace presetra
