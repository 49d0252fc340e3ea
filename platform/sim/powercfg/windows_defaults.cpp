#include "platform/sim/powercfg/windows_defaults.h"

#include <map>

namespace presetra::sim::powercfg {

namespace {

// The table's rows of each setting, in table order, by upper-cased subgroup and setting (compared as EqualsIgnoringCase does): the
// catalog asks for every setting in every scheme, which would otherwise walk the whole table
// each time.
const std::vector<const WindowsDefault*>& RowsOf(const SettingInfo& info) {
  using Index = std::map<std::pair<WString, WString>, std::vector<const WindowsDefault*>>;
  static const Index index = [] {
    Index built;
    for (const auto& row : WindowsDefaults()) {
      built[{ToUpper(row.subgroup), ToUpper(row.setting)}].push_back(&row);
    }
    return built;
  }();
  static const std::vector<const WindowsDefault*> none;
  auto found = index.find({ToUpper(info.subgroup), ToUpper(info.setting)});
  return found == index.end() ? none : found->second;
}

}  // namespace

std::optional<DefaultValues> WindowsDefaultOf(const SettingInfo& info, WStringView scheme,
                                              PlatformRole role) {
  for (const WindowsDefault* row : RowsOf(info)) {
    if (EqualsIgnoringCase(row->scheme, scheme) && (!row->role || *row->role == role)) {
      return DefaultValues{row->ac, row->dc};
    }
  }
  return std::nullopt;
}

bool IsWindowsDefaultKnown(const SettingInfo& info) {
  for (const WindowsDefault* row : RowsOf(info)) {
    if (!row->known) return false;
  }
  return true;
}

}  // namespace presetra::sim::powercfg
