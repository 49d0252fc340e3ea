// Whether a machine still has its recipe: the end state the plan of its facts expects, compared
// with the end state the machine has, difference by difference in the plan's units.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "cli/live/state_dump.h"
#include "cli/run/arguments.h"
#include "cli/run/end_state.h"
#include "cli/run/simulated_run.h"
#include "cli/run/this_pc.h"

namespace presetra::cli {

struct Drift {
  std::string what;  // the setting, the registry value, the adapter
  std::string want;  // what the recipe wants, as the plan says it
  std::string have;  // what the machine has
};

// What could not be checked, and why.
struct Unchecked {
  std::string what;
  std::string why;
};

struct Verification {
  std::vector<Drift> drifts;
  // What the state does not say, so that it could not be checked.
  std::vector<Unchecked> unread;
};

// The recipe's end state for the profile (the commit on the simulated machine) against the one
// the state dump describes, read for the profile's platform role. Throws UnusableProfile and
// StateError.
Verification Verify(const std::string& profileText, const std::string& stateText);
// The end state the commit left in `planned` against `have`.
Verification Compare(const RunRecord& planned, const EndState& have);

// presetra verify [--machine FILE] [--state STATE] [--format text|json]. Without STATE, the end
// state of this PC (which needs `thisPc`).
int RunVerify(const Arguments& arguments, std::ostream& out, std::ostream& err, ThisPc* thisPc);

}  // namespace presetra::cli
