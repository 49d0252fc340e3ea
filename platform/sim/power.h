#pragma once

#include <functional>
#include <optional>

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

  // The AoAc flag; nullopt makes GetPwrCapabilities fail.
  std::optional<bool> connectedStandby = false;
  int capabilityQueries = 0;

  struct SchemeSource {
    std::function<std::optional<platform::Guid>()> active;
    std::function<std::optional<WString>(const platform::Guid&)> description;
  };
  void SetSchemeSource(SchemeSource source) { schemes_ = std::move(source); }

 private:
  Faults& faults_;
  SchemeSource schemes_;
};

}  // namespace presetra::sim
