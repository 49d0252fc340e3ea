// The registry values the commit action may write, for comparing the end state of a real run
// with the simulated one: one line per value, "key<TAB>value name", keys as physical paths.
#pragma once

#include <string>
#include <vector>

#include "platform/sim/profile.h"

namespace presetra::sim {

std::vector<std::pair<WString, WString>> WrittenValues(const MachineProfile& profile);

// "key<TAB>name<TAB>type<TAB>hex bytes", or "key<TAB>name<TAB>absent".
std::string ValueLine(const WString& key, const WString& name,
                      const std::optional<std::uint32_t>& type,
                      const std::vector<std::uint8_t>& data);

}  // namespace presetra::sim
