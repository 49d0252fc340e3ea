// The machine facts that Wine's stand-ins serve (firmware strings, Connected Standby, the
// adapters' WMI instances), laid into a prefix by the seeding tool from a machine profile.
// A text file of tab-separated lines; backslash escapes for tab, line feed and backslash.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/emulation/powercfg/scheme_store.h"
#include "platform/emulation/powercfg/windows_defaults.h"
#include "platform/text.h"

namespace presetra::wine {

inline constexpr char kFactsPath[] = "C:\\presetra\\machine.txt";
inline constexpr char kWmiWritesPath[] = "C:\\presetra\\wmi-writes.txt";

struct AdapterInstance {
  WString instanceName;
  bool writesFail = false;
};

struct MachineFacts {
  // nullopt: the OEMStringArray property is null. An element may be a null string.
  std::optional<std::vector<std::optional<WString>>> oemStrings;
  std::optional<WString> biosFeatureByte;
  std::optional<bool> connectedStandby = false;  // nullopt: GetPwrCapabilities fails
  std::vector<AdapterInstance> adapters;
  powercfg::PlatformRole platformRole = powercfg::PlatformRole::kMobile;
  // Windows' schemes as the profile (and its image) has them, and the active one; empty:
  // Windows' own three for the role.
  std::vector<powercfg::Scheme> schemes;
  WString activeScheme;
};

std::string FormatFacts(const MachineFacts& facts);
MachineFacts ParseFacts(const std::string& text);
// The facts of this prefix, from kFactsPath (empty facts when the file is missing).
MachineFacts ReadFacts();

}  // namespace presetra::wine
