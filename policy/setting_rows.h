// A power-scheme recipe's settings table as data: one row per powercfg value command, in the
// order the recipe runs them.
#pragma once

#include <cstdint>
#include <span>

#include "power/power_scheme.h"

namespace presetra {

inline constexpr PowerSource AC = PowerSource::kAc;
inline constexpr PowerSource DC = PowerSource::kDc;

// How a row's value is found when it is not fixed in the table. The recipe that uses a rule
// says what it means, next to its table.
// kFlag: the value is passed in the flag form of SetValueIndex, "1" or "0".
enum class ValueRule { kFixed, kFlag, kLinkPowerOfBoard, kLidOfAccelerometer };

struct SettingRow {
  PowerSource mode;
  const char16_t* subgroup;
  const char16_t* setting;
  std::int32_t value;
  ValueRule rule = ValueRule::kFixed;
};

// One SetValueIndex per row, in order, each with its table value. Results are not examined:
// a failed row is followed by the next.
inline void ApplyRows(CPowerScheme& scheme, std::span<const SettingRow> rows) {
  for (const SettingRow& row : rows) {
    if (row.rule == ValueRule::kFlag) {
      (void)scheme.SetValueIndex(row.mode, row.subgroup, row.setting, row.value != 0);
    } else {
      (void)scheme.SetValueIndex(row.mode, row.subgroup, row.setting, row.value);
    }
  }
}

// The description every Vorlan scheme but the consumer one carries.
inline constexpr std::uint32_t kDescriptionId = 6000;
inline constexpr char16_t kDescriptionFallback[] =
    u"Provides optimized balance of performance with energy consumption on Vorlan Notebook PC.";
// Whether a Vorlan scheme carries the description every one but the consumer one has.
enum class SchemeDescription { kShared, kNone };

// The first steps of every Vorlan scheme: Balanced duplicated under the scheme's GUID, then
// named from the module's string table (the fallback is the name's text there).
inline void CreateFromBalanced(CPowerScheme& scheme, CMSIInstaller& installer, std::uint32_t nameId,
                               const char16_t* fallbackName, SchemeDescription description) {
  const WString name = IndirectDisplayString(installer.GetInstallDir(), nameId, fallbackName);
  const WString shared =
      IndirectDisplayString(installer.GetInstallDir(), kDescriptionId, kDescriptionFallback);
  (void)scheme.Duplicate();
  (void)scheme.ChangeName(name, description == SchemeDescription::kShared ? &shared : nullptr);
}

// The last steps of every Vorlan scheme: it becomes the active scheme, the schemes Windows
// restores as defaults are replaced while it is active, and it becomes the preferred plan.
inline void ActivateAsPreferredPlan(CPowerScheme& scheme) {
  (void)scheme.SetActive();
  (void)scheme.Run(u"-ReplaceDefaultSchemes");
  (void)scheme.SetAsPreferredPlan();
}

}  // namespace presetra
