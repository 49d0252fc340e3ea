#include "platform/sim/powercfg/windows_defaults.h"

namespace presetra::sim::powercfg {

namespace {
bool IsRowOf(const WindowsDefault& row, const SettingInfo& info) {
  return EqualsIgnoringCase(row.subgroup, info.subgroup) &&
         EqualsIgnoringCase(row.setting, info.setting);
}
}  // namespace

std::optional<DefaultValues> WindowsDefaultOf(const SettingInfo& info, WStringView scheme,
                                              PlatformRole role) {
  for (const auto& row : WindowsDefaults()) {
    if (IsRowOf(row, info) && EqualsIgnoringCase(row.scheme, scheme) &&
        (!row.role || *row.role == role)) {
      return DefaultValues{row.ac, row.dc};
    }
  }
  return std::nullopt;
}

bool IsWindowsDefaultKnown(const SettingInfo& info) {
  for (const auto& row : WindowsDefaults()) {
    if (IsRowOf(row, info) && !row.known) return false;
  }
  return true;
}

}  // namespace presetra::sim::powercfg
