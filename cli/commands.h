// The presetra tool: runs the custom actions on a simulated machine and shows what they did.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/run/this_pc.h"

namespace presetra::cli {

// Runs the tool with its arguments (without the program name). Returns the exit status. With
// `thisPc`, capture, plan and verify read the PC the tool runs on when no file is named.
int Run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
        ThisPc* thisPc = nullptr);

}  // namespace presetra::cli
