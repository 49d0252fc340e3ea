// Where a command's machine profile comes from: a file, or the embedded default machine.
#pragma once

#include <iosfwd>
#include <string>

namespace presetra::cli {

// The embedded default machine: a notebook with Modern Standby.
const char* DefaultMachineProfile();

// The profile in `file`, or the default machine when it is empty; `source` names it for
// messages. A file that cannot be read is reported on `err`.
bool ReadMachineProfile(const std::string& file, std::string* text, std::string* source,
                        std::ostream& err);

}  // namespace presetra::cli
