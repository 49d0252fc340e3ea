// Windows' own power schemes as a PC or an image has them, which a profile lays over the base
// image's, and what a Windows image gives a profile.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/emulation/powercfg/scheme_store.h"
#include "platform/emulation/powercfg/settings_catalog.h"
#include "platform/registry.h"

namespace presetra::machine {

// Windows 11's builds start here; its registry still calls it Windows 10.
inline constexpr unsigned long kFirstWindows11Build = 22000;

// Where Windows' value of a setting came from: Presetra's own table of Windows 10's defaults, a
// Windows image, or a PC (a captured profile's schemes).
enum class ValueSource { kTable, kImage, kPc };

struct SchemeSetting {
  std::optional<std::uint32_t> ac;  // nullopt: the scheme has no value for this mode
  std::optional<std::uint32_t> dc;
  ValueSource source = ValueSource::kPc;
};

// A setting the settings catalog does not name, as an image names it.
struct ImageSettingName {
  std::string subgroup;  // the subgroup's name; empty when the image does not name it either
  std::string name;
  std::vector<std::string> choices;  // by index, from PossibleSettings; empty for a range
};

struct WindowsScheme {
  WString guid;                 // lower case, without braces
  std::optional<WString> name;  // as Windows keeps it: plain text or an indirect string
  std::map<powercfg::SettingKey, SchemeSetting> settings;
};

// An image's schemes laid over the base image of one platform role, once for every machine.
struct LaidImage {
  powercfg::PlatformRole role;
  std::vector<powercfg::Scheme> schemes;
  WString active;
};

// What a Windows image gives the machine: its schemes (they replace the base image's), the
// active one, and the registry keys the actions read or write as the image has them.
struct WindowsImage {
  std::string label;  // "install.wim:3 (Windows 10 Enterprise LTSC, build 19044)"
  std::vector<WindowsScheme> schemes;
  std::optional<WString> activeScheme;
  std::vector<std::pair<WString, std::vector<platform::RegistryValue>>> registry;
  std::map<powercfg::SettingKey, ImageSettingName> settingNames;
  // False for a SYSTEM hive alone, or an image without SOFTWARE: the base image stands in.
  bool hasSoftware = false;
  // The schemes laid for each role (PrepareImage); empty: laid by each machine.
  std::vector<LaidImage> laid;
};

}  // namespace presetra::machine
