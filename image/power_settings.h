// Windows' power schemes as a SYSTEM hive keeps them: which schemes exist, the active one, and
// every setting's effective value in each.
#pragma once

#include <map>
#include <optional>
#include <vector>

#include "image/hive.h"
#include "machine/windows_schemes.h"

namespace presetra::image {

struct HivePower {
  std::vector<machine::WindowsScheme> schemes;  // Balanced first, when the hive has it
  std::optional<WString> activeScheme;
  // Names of the settings the catalog does not know.
  std::map<powercfg::SettingKey, machine::ImageSettingName> settingNames;
};

// The control set Select\Current names ("ControlSet001"). Throws ImageError when the hive has
// none: it is no SYSTEM hive.
Hive::Key CurrentControlSet(const Hive& system);

// The schemes under Control\Power of the control set. Throws ImageError when the hive has no
// power schemes.
HivePower PowerOfControlSet(const Hive& system, Hive::Key controlSet);

// "Balanced" of "@%SystemRoot%\system32\powrprof.dll,-15,Balanced": the text after the last
// comma of an indirect string, or the text itself.
std::string DisplayName(const WString& text);

}  // namespace presetra::image
