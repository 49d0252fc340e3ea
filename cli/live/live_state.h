// The end state of a running PC, read through the platform layer: what verify compares with the
// plan, for the schemes, settings, registry values and adapter settings the plan's commit
// touched.
#pragma once

#include <string>
#include <vector>

#include "cli/live/verify.h"
#include "platform/system.h"

namespace presetra::cli {

// Reads from `system` what the commit recorded in `planned` touched. What could not be read is left
// out of the state (so verify names it "not checked") and said in `problems`.
EndState ReadLiveEndState(platform::System& system, const RunRecord& planned,
                          std::vector<std::string>* problems);

}  // namespace presetra::cli
