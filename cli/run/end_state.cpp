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

}  // namespace presetra::cli
