// A person's view of a scheme store: every scheme with its name, the active mark, and its
// values (for Windows' own schemes only those that differ from Windows' defaults). The same
// text comes from the simulated machine and from the Windows stand-in, so the two compare.
#pragma once

#include <optional>
#include <string>

#include "platform/emulation/powercfg/interpreter.h"

namespace presetra::powercfg {

std::string DescribeSchemes(const SchemeStore& store, const StringResolver& resolve,
                            const std::optional<WString>& preferredPlan);

}  // namespace presetra::powercfg
