// What a machine ends with, as far as the commit touches it: plain data, from a simulated run,
// a state dump or a live PC alike.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/emulation/powercfg/scheme_store.h"
#include "platform/registry.h"

namespace presetra::cli {

struct EndState {
  // In the order the machine lists them.
  std::vector<powercfg::Scheme> schemes;
  WString active;  // empty: none
  std::optional<WString> preferredPlan;
  // powercfg /HIBERNATE /SIZE's percentage (HiberFileSizePercent); nullopt: never set.
  std::optional<std::uint32_t> hibernateFileSize;
  // By RegistryName; nullopt: the value is absent.
  std::map<std::pair<WString, WString>, std::optional<platform::RegistryValue>> registry;
  // The adapters' WMI power settings that are on, by WmiSettingName.
  std::set<std::tuple<WString, WString, WString>> wmiOn;
  // False when the adapters' settings could not be read: then none of them is checked.
  bool wmiRead = true;
  // Why a value that is not in the state was not read.
  std::string unreadWhy = "not in the state";

  // The scheme of that GUID, in any case; nullptr when there is none.
  const powercfg::Scheme* Find(WStringView guid) const;
  bool Contains(WStringView guid) const { return Find(guid) != nullptr; }
};

// A registry value's name in EndState::registry: key and name upper-cased.
std::pair<WString, WString> RegistryName(WStringView key, WStringView name);
// An adapter's WMI power setting's name in EndState::wmiOn: class, instance and property,
// upper-cased.
std::tuple<WString, WString, WString> WmiSettingName(WStringView className,
                                                     WStringView instanceName,
                                                     WStringView property);

}  // namespace presetra::cli
