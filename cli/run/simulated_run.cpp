#include "cli/run/simulated_run.h"

#include "module/loaded_module.h"
#include "power/power_scheme.h"

namespace presetra::cli {

SimulatedRun RunActions(const std::string& profileText, const std::vector<std::string>& actions) {
  SimulatedRun run;
  run.profile = sim::ParseProfile(profileText);
  run.machine = std::make_unique<sim::Machine>(run.profile);
  {
    LoadedModule module(*run.machine);
    module.SetFeatureListener([&run](WStringView token, std::size_t offset) {
      run.featureQueries.push_back(FeatureQuery{WString(token), offset});
    });
    module.SetDecisionListener(
        [&run](const Decision& decision) { run.decisions.push_back(decision); });
    for (const auto& action : actions) {
      // The installer's handle is kept and never used: any value will do.
      if (action == "commit") {
        module.Commit(1);
      } else {
        module.Uninstall(1);
      }
    }
    const InstallerContext& context = module.Installer()->Context();
    run.logPath = context.logPath;
    run.board = context.machineId;
    run.featureBytes = context.featureBytes;
  }
  return run;
}

std::optional<WString> PreferredPlan(sim::Machine& machine) {
  auto preferred =
      machine.registry().GetValue(u"HKLM\\" + WString(kPreferredPlanKey), u"PreferredPlan");
  if (!preferred || preferred->type != win::kRegSz) return std::nullopt;
  return TextOfUtf16Le(preferred->data.data(), preferred->data.size());
}

std::vector<WmiWrite> WmiWrites(sim::Machine& machine) {
  std::vector<WmiWrite> writes;
  auto& wmi = machine.wmi();
  for (const auto& instance : wmi.Instances(u"root\\wmi", u"")) {
    for (const auto& [property, value] : instance->properties) {
      // The base image has every power-management property off; "Active" is not one of them.
      if (value.vt == win::kVtBool && value.integer != 0 && property != u"Active") {
        writes.push_back(
            WmiWrite{instance->className, *instance->Find(u"InstanceName")->text, property});
      }
    }
  }
  return writes;
}

}  // namespace presetra::cli
