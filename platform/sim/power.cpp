#include "platform/sim/power.h"

namespace presetra::sim {

bool Power::GetPwrCapabilities(bool* aoac) {
  ++capabilityQueries;
  if (faults_.ShouldFail(Call::kGetPwrCapabilities)) return false;
  if (!connectedStandby) return false;
  *aoac = *connectedStandby;
  return true;
}

win::Dword Power::PowerGetActiveScheme(platform::Guid* active) {
  if (faults_.ShouldFail(Call::kPowerGetActiveScheme)) return win::kErrorAccessDenied;
  if (!schemes_.active) return win::kErrorCallNotImplemented;
  auto guid = schemes_.active();
  if (!guid) return win::kErrorFileNotFound;
  *active = *guid;
  return win::kErrorSuccess;
}

win::Dword Power::PowerReadDescription(const platform::Guid& scheme, win::Dword bufferBytes,
                                       WString* description) {
  if (faults_.ShouldFail(Call::kPowerReadDescription)) return win::kErrorAccessDenied;
  if (!schemes_.description) return win::kErrorCallNotImplemented;
  auto text = schemes_.description(scheme);
  if (!text) return win::kErrorFileNotFound;
  if ((text->size() + 1) * 2 > bufferBytes) return win::kErrorMoreData;
  *description = *text;
  return win::kErrorSuccess;
}

win::Dword Power::PowerReadValueIndex(const platform::Guid& scheme, const platform::Guid& subgroup,
                                      const platform::Guid& setting, bool ac, win::Dword* value) {
  if (faults_.ShouldFail(Call::kPowerReadValueIndex)) return win::kErrorAccessDenied;
  if (!schemes_.value) return win::kErrorCallNotImplemented;
  auto index = schemes_.value(scheme, subgroup, setting, ac);
  if (!index) return win::kErrorFileNotFound;
  *value = *index;
  return win::kErrorSuccess;
}

win::Dword Power::PowerEnumerate(const platform::Guid* scheme, const platform::Guid* subgroup,
                                 win::Dword access, win::Dword index, platform::Guid* guid) {
  if (faults_.ShouldFail(Call::kPowerEnumerate)) return win::kErrorAccessDenied;
  if (!schemes_.enumerate) return win::kErrorCallNotImplemented;
  const bool schemes = access == win::kAccessScheme;
  const bool subgroups = access == win::kAccessSubgroup && scheme != nullptr;
  const bool settings =
      access == win::kAccessIndividualSetting && scheme != nullptr && subgroup != nullptr;
  if (!schemes && !subgroups && !settings) return win::kErrorInvalidParameter;
  const auto listed = schemes_.enumerate(schemes ? nullptr : scheme, settings ? subgroup : nullptr);
  if (!listed) return win::kErrorFileNotFound;
  if (index >= listed->size()) return win::kErrorNoMoreItems;
  *guid = (*listed)[index];
  return win::kErrorSuccess;
}

win::Dword Power::PowerReadFriendlyName(const platform::Guid& scheme, WString* name) {
  if (faults_.ShouldFail(Call::kPowerReadFriendlyName)) return win::kErrorAccessDenied;
  if (!schemes_.name) return win::kErrorCallNotImplemented;
  auto text = schemes_.name(scheme);
  if (!text) return win::kErrorFileNotFound;
  *name = *text;
  return win::kErrorSuccess;
}

win::Dword Power::PowerDeterminePlatformRole() {
  return platformRole;
}

}  // namespace presetra::sim
