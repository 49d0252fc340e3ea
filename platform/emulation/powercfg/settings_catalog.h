// The power settings a Windows 10 machine knows, with their names, units and choices: what
// powercfg shows. Their default values in Windows' schemes are in windows_defaults.h.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/text.h"

namespace presetra::powercfg {

inline constexpr char16_t kBalanced[] = u"381b4222-f694-41f0-9685-ff5bb260df2e";
inline constexpr char16_t kPowerSaver[] = u"a1841308-3541-4fab-bc81-f71556f20b4a";
inline constexpr char16_t kHighPerformance[] = u"8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c";
inline constexpr char16_t kNoSubgroup[] = u"fea3413e-7e05-4911-9a71-700331f1c294";

struct DefaultValues {
  std::uint32_t ac;
  std::uint32_t dc;
};

struct SettingInfo {
  const char16_t* subgroup;  // GUID text, lower case
  const char* subgroupName;
  const char16_t* setting;  // GUID text, lower case, or the alias of an OEM setting
  const char* settingName;
  const char16_t* alias;             // powercfg's alias, or nullptr
  const char* unit;                  // "Seconds", "%", "Milliseconds", or "" for a choice
  std::vector<const char*> choices;  // names of the indexes, for a choice
  // Windows hides it: powercfg lists it only when asked for hidden settings (/qh).
  bool hidden = false;
};

const std::vector<SettingInfo>& SettingsCatalog();

// How a scheme stores a setting's value: subgroup and setting, lower case.
struct SettingKey {
  WString subgroup;
  WString setting;
  friend bool operator==(const SettingKey&, const SettingKey&) = default;
  // Subgroup, then setting, unit by unit, as the members' own order has it: every scheme is a
  // map by these keys, and comparing them is most of what looking a value up costs.
  friend std::strong_ordering operator<=>(const SettingKey& a, const SettingKey& b) {
    const int subgroup = CompareUnits(a.subgroup, b.subgroup);
    return (subgroup != 0 ? subgroup : CompareUnits(a.setting, b.setting)) <=> 0;
  }
};
// Where an entry of SettingsCatalog() stands in it; throws std::invalid_argument for a setting
// that is not one of its entries.
std::size_t CatalogPosition(const SettingInfo& info);
// The key of an entry of SettingsCatalog(), made once.
const SettingKey& KeyOf(const SettingInfo& info);
// The setting by subgroup and setting GUID (or alias), ignoring case.
const SettingInfo* FindSetting(WStringView subgroup, WStringView setting);
// A subgroup's name, or nullptr when it is not known.
const char* SubgroupName(WStringView subgroup);

}  // namespace presetra::powercfg
