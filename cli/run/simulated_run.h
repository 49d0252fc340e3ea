// A machine profile taken through the custom actions on a simulated machine: what the tool's
// commands show is read from here.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/decision.h"
#include "platform/sim/machine.h"

namespace presetra::cli {

struct FeatureQuery {
  WString token;
  std::size_t offset;  // WString::npos: absent
};

struct SimulatedRun {
  sim::MachineProfile profile;
  std::unique_ptr<sim::Machine> machine;
  // Where the module wrote its log on the machine.
  WString logPath;
  // Every feature-token question of the run, in order.
  std::vector<FeatureQuery> featureQueries;
  // Every decision of the policy, in the order taken.
  std::vector<Decision> decisions;
  WString board;
  WString featureBytes;

  // The log's lines, read when asked for: a plan does not need them.
  std::vector<WString> LogLines() const { return machine->ReadLogLines(logPath); }
};

// Loads the machine and runs "commit" and "uninstall" in the order given, in one load of the
// module. Throws sim::ProfileError when the profile cannot be used.
SimulatedRun RunActions(const std::string& profileText, const std::vector<std::string>& actions);

// The "PreferredPlan" value as text, when it is a REG_SZ.
std::optional<WString> PreferredPlan(sim::Machine& machine);

// One power-management property the WMI step turned on.
struct WmiWrite {
  WString className;
  WString instanceName;
  WString property;
};
std::vector<WmiWrite> WmiWrites(sim::Machine& machine);

}  // namespace presetra::cli
