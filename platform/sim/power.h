#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "platform/power.h"
#include "platform/sim/faults.h"

namespace presetra::sim {

// The power API. What it says about schemes comes from the machine's power-scheme store.
class Power : public platform::Power {
 public:
  explicit Power(Faults& faults) : faults_(faults) {}

  bool GetPwrCapabilities(bool* aoac) override;
  win::Dword PowerGetActiveScheme(platform::Guid* active) override;
  win::Dword PowerReadDescription(const platform::Guid& scheme, win::Dword bufferBytes,
                                  WString* description) override;
  win::Dword PowerReadValueIndex(const platform::Guid& scheme, const platform::Guid& subgroup,
                                 const platform::Guid& setting, bool ac,
                                 win::Dword* value) override;
  win::Dword PowerEnumerate(const platform::Guid* scheme, const platform::Guid* subgroup,
                            win::Dword access, win::Dword index, platform::Guid* guid) override;
  win::Dword PowerReadFriendlyName(const platform::Guid& scheme, WString* name) override;
  win::Dword PowerDeterminePlatformRole() override;

  // The AoAc flag; nullopt makes GetPwrCapabilities fail.
  std::optional<bool> connectedStandby = false;
  int capabilityQueries = 0;
  // What PowerDeterminePlatformRoleEx reports: a POWER_PLATFORM_ROLE.
  win::Dword platformRole = win::kPlatformRoleMobile;

  struct SchemeSource {
    std::function<std::optional<platform::Guid>()> active;
    std::function<std::optional<WString>(const platform::Guid&)> description;
    // A scheme's value of one setting; nullopt when the scheme or the value does not exist.
    std::function<std::optional<std::uint32_t>(const platform::Guid& scheme,
                                               const platform::Guid& subgroup,
                                               const platform::Guid& setting, bool ac)>
        value;
    // What PowerEnumerate lists, in order: the schemes (no scheme given), a scheme's subgroups
    // (no subgroup given), or a subgroup's settings; nullopt when the scheme does not exist.
    std::function<std::optional<std::vector<platform::Guid>>(const platform::Guid* scheme,
                                                             const platform::Guid* subgroup)>
        enumerate;
    // A scheme's name as Windows shows it; nullopt when it does not exist.
    std::function<std::optional<WString>(const platform::Guid&)> name;
  };
  void SetSchemeSource(SchemeSource source) { schemes_ = std::move(source); }

 private:
  Faults& faults_;
  SchemeSource schemes_;
};

}  // namespace presetra::sim
