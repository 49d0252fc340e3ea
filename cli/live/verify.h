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

#include "cli/run/this_pc.h"
#include "platform/sim/machine.h"

namespace presetra::cli {

// What a machine ends with, as far as the commit touches it.
struct EndState {
  powercfg::MemorySchemeStore schemes;
  std::optional<WString> preferredPlan;
  // powercfg /HIBERNATE /SIZE's percentage (HiberFileSizePercent); nullopt: never set.
  std::optional<std::uint32_t> hibernateFileSize;
  // By upper-cased key and value name; nullopt: the value is absent.
  std::map<std::pair<WString, WString>, std::optional<sim::RegistryValue>> registry;
  // The adapters' WMI power settings that are on: class, instance, property.
  std::set<std::tuple<WString, WString, WString>> wmiOn;
  // False when the adapters' settings could not be read: then none of them is checked.
  bool wmiRead = true;
  // Why a value that is not in the state was not read.
  std::string unreadWhy = "not in the state";
};

// A state dump that cannot be read; the message names the line.
class StateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The end state of a simulated machine.
EndState EndStateOf(sim::Machine& machine);
// The end state a dump describes: the output of `presetra commit --state` (or --schemes with
// --values LIST); the log's time-stamped lines are passed over. Windows' own schemes list only the
// values that differ from Windows' defaults for the role. Throws StateError.
EndState ParseEndState(const std::string& text, powercfg::PlatformRole role);

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
// the state dump describes, read for the profile's platform role. Throws sim::ProfileError and
// StateError.
Verification Verify(const std::string& profileText, const std::string& stateText);
// The end state the commit left on `planned` (a simulated machine after its commit) against
// `have`.
Verification Compare(sim::Machine& planned, const EndState& have);

// presetra verify [--machine FILE] [--state STATE] [--format text|json]. Without STATE, the end
// state of this PC (which needs `thisPc`).
int RunVerify(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
              ThisPc* thisPc = nullptr);

}  // namespace presetra::cli
