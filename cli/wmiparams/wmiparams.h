// presetra wmiparams: WMI parameter streams as JSON and back.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/run/arguments.h"

namespace presetra::cli {

// wmiparams decode FILE [--map] | wmiparams encode FILE.json OUT [--map]
int RunWmiParams(const Arguments& arguments, std::ostream& out, std::ostream& err);

}  // namespace presetra::cli
