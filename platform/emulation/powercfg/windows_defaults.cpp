#include "platform/emulation/powercfg/windows_defaults.h"

#include <map>

namespace presetra::powercfg {

namespace {

// The table's rows of each setting of the catalog, in table order (subgroup and setting
// compared as EqualsIgnoringCase does): every machine asks for every setting in every scheme,
// which would otherwise walk the whole table each time.
struct RowsBySetting {
  std::vector<std::vector<const WindowsDefault*>> rows;  // by catalog position
  std::vector<bool> known;                               // by catalog position
};

const RowsBySetting& Index() {
  static const RowsBySetting index = [] {
    std::map<std::pair<WString, WString>, std::vector<const WindowsDefault*>> byName;
    for (const auto& row : WindowsDefaults()) {
      byName[{ToUpper(row.subgroup), ToUpper(row.setting)}].push_back(&row);
    }
    RowsBySetting built;
    for (const auto& info : SettingsCatalog()) {
      auto found = byName.find({ToUpper(info.subgroup), ToUpper(info.setting)});
      built.rows.push_back(found == byName.end() ? std::vector<const WindowsDefault*>()
                                                 : found->second);
      bool known = true;
      for (const WindowsDefault* row : built.rows.back()) known = known && row->known;
      built.known.push_back(known);
    }
    return built;
  }();
  return index;
}

}  // namespace

std::optional<DefaultValues> WindowsDefaultOf(const SettingInfo& info, WStringView scheme,
                                              PlatformRole role) {
  for (const WindowsDefault* row : Index().rows[CatalogPosition(info)]) {
    if (EqualsIgnoringCase(row->scheme, scheme) && (!row->role || *row->role == role)) {
      return DefaultValues{row->ac, row->dc};
    }
  }
  return std::nullopt;
}

bool IsWindowsDefaultKnown(const SettingInfo& info) {
  return Index().known[CatalogPosition(info)];
}

}  // namespace presetra::powercfg
