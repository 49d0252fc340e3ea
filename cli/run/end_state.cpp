#include "cli/run/end_state.h"

namespace presetra::cli {

const powercfg::Scheme* EndState::Find(WStringView guid) const {
  for (const auto& scheme : schemes) {
    if (EqualsIgnoringCase(scheme.guid, guid)) return &scheme;
  }
  return nullptr;
}

std::pair<WString, WString> RegistryName(WStringView key, WStringView name) {
  return {ToUpper(key), ToUpper(name)};
}

std::tuple<WString, WString, WString> WmiSettingName(WStringView className,
                                                     WStringView instanceName,
                                                     WStringView property) {
  return {ToUpper(className), ToUpper(instanceName), ToUpper(property)};
}

}  // namespace presetra::cli
