// Windows 10's own default values of its three schemes, from windows_defaults.tsv (the build
// turns the table into WindowsDefaults()). Some values depend on the power platform role that
// Windows provisioned the machine for.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/emulation/powercfg/settings_catalog.h"

namespace presetra::powercfg {

// What Windows provisioned its defaults for (POWER_PLATFORM_ROLE, in short).
enum class PlatformRole { kMobile, kDesktop };

struct WindowsDefault {
  const char16_t* subgroup;          // lower case
  const char16_t* setting;           // lower case: a GUID, or the alias of an OEM setting
  const char16_t* scheme;            // kBalanced, kPowerSaver or kHighPerformance
  std::optional<PlatformRole> role;  // nullopt: every role
  std::uint32_t ac;
  std::uint32_t dc;
  // False where no source has Windows 10's value: the value only stands in for it.
  bool known;
};

const std::vector<WindowsDefault>& WindowsDefaults();

// The default of a setting in one of Windows' schemes for a role; nullopt when the table has
// none.
std::optional<DefaultValues> WindowsDefaultOf(const SettingInfo& info, WStringView scheme,
                                              PlatformRole role);
// Whether Windows 10's own default of the setting is known (in every scheme).
bool IsWindowsDefaultKnown(const SettingInfo& info);

}  // namespace presetra::powercfg
