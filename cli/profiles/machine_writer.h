// presetra machine: a machine profile from the facts an engineer has at hand.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/run/arguments.h"

namespace presetra::cli {

// machine --from-oem-strings STRINGS --board ID --build N [--cs] [--out FILE]
int RunMachineWriter(const Arguments& arguments, std::ostream& out, std::ostream& err);

}  // namespace presetra::cli
