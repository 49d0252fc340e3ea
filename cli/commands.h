// The presetra tool: runs the custom actions on a simulated machine and shows what they did.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/this_pc.h"

namespace presetra::cli {

// The embedded default machine: a notebook with Modern Standby.
const char* DefaultMachineProfile();

// The profile in `file`, or the default machine when it is empty; `source` names it for
// messages. A file that cannot be read is reported on `err`.
bool ReadMachineProfile(const std::string& file, std::string* text, std::string* source,
                        std::ostream& err);

// The profile in `file`; without one, this PC's captured in memory where there is one, or the
// default machine.
bool ReadProfileOrThisPc(const std::string& file, ThisPc* thisPc, std::string* text,
                         std::string* source, std::ostream& err);

// Runs the tool with its arguments (without the program name). Returns the exit status. With
// `thisPc`, capture, plan and verify read the PC the tool runs on when no file is named.
int Run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
        ThisPc* thisPc = nullptr);

}  // namespace presetra::cli
