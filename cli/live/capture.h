// presetra capture: this PC's machine profile, read through the platform layer. The registry
// values it reads are the ones the commit reads: a simulated commit of what has been captured
// so far names them, until a run reads nothing new.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/run/arguments.h"
#include "cli/run/this_pc.h"
#include "machine/profile.h"
#include "platform/system.h"

namespace presetra::cli {

struct Capture {
  std::string profileText;  // the profile, JSON with a final line break
  // Where the profile cannot say exactly what the PC has, or capture could not read it.
  std::vector<std::string> notes;
};

// The profile of the machine behind `system`, for the package of `architecture` (the package
// whose install folder and view of the registry the actions would use).
Capture CaptureMachine(platform::System& system, machine::PackageArchitecture architecture);

// presetra capture [--machine FILE] [--out FILE]: this PC's profile where the tool runs on one,
// or that of the simulated machine the profile FILE describes (the default machine without one).
int RunCapture(const Arguments& arguments, std::ostream& out, std::ostream& err, ThisPc* thisPc);

// The profile in `file`; without one, this PC's captured in memory where there is one, or the
// default machine.
bool ReadProfileOrThisPc(const std::string& file, ThisPc* thisPc, std::string* text,
                         std::string* source, std::ostream& err);

}  // namespace presetra::cli
