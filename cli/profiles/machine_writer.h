// presetra machine: a machine profile from the facts an engineer has at hand.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace presetra::cli {

// machine --from-oem-strings STRINGS --board ID --build N [--cs] [--out FILE]
int RunMachineWriter(const std::vector<std::string>& arguments, std::ostream& out,
                     std::ostream& err);

}  // namespace presetra::cli
