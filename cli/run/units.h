// Values as the plan says them to a person: a setting's index in its unit or by its choice's
// name, a registry value with its type.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli/run/plan.h"
#include "platform/emulation/powercfg/settings_catalog.h"
#include "platform/registry.h"

namespace presetra::cli {

// "20 min", "Never", "40 %", "50 ms", a choice's name; "-" for no value.
std::string SettingValueText(const powercfg::SettingInfo& info,
                             const std::optional<std::uint32_t>& value);
// A written value as the plan lists it: a DWORD as its number, a string as its text.
RegistryValueWritten Written(const WString& keyPath, const platform::RegistryValue& value);

}  // namespace presetra::cli
