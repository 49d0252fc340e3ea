// presetra wmiparams: WMI parameter streams as JSON and back.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace presetra::cli {

// wmiparams decode FILE [--map] | wmiparams encode FILE.json OUT [--map]
int RunWmiParams(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace presetra::cli
