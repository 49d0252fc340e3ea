#include "cli/run/simulated_run.h"

#include <memory>

#include "machine/layout.h"
#include "module/loaded_module.h"
#include "platform/emulation/powercfg/describe.h"
#include "platform/sim/machine.h"
#include "power/power_scheme.h"

namespace presetra::cli {

namespace {

std::optional<WString> PreferredPlan(sim::Machine& machine) {
  auto preferred =
      machine.registry().GetValue(u"HKLM\\" + WString(kPreferredPlanKey), u"PreferredPlan");
  if (!preferred || preferred->type != win::kRegSz) return std::nullopt;
  return TextOfUtf16Le(preferred->data.data(), preferred->data.size());
}

std::vector<WmiWrite> WmiWrites(sim::Machine& machine) {
  std::vector<WmiWrite> writes;
  for (const auto& instance : machine.wmi().Instances(u"root\\wmi", u"")) {
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

std::vector<ValueAtEnd> ValuesAtEnd(sim::Machine& machine,
                                    const std::vector<std::pair<WString, WString>>& names) {
  std::vector<ValueAtEnd> values;
  for (const auto& [key, name] : names) {
    values.push_back(ValueAtEnd{key, name, machine.registry().GetValue(key, name)});
  }
  return values;
}

EndState EndStateOf(sim::Machine& machine, const std::vector<WmiWrite>& wmiWrites,
                    bool registryAtEnd) {
  EndState state;
  state.active = machine.schemes().Active();
  state.preferredPlan = PreferredPlan(machine);
  state.hibernateFileSize = machine.schemes().HibernateFileSize();
  if (registryAtEnd) {
    for (const auto& write : machine.registry().Writes()) {
      state.registry[RegistryName(write.keyPath, write.value.name)] =
          machine.registry().GetValue(write.keyPath, write.value.name);
    }
  }
  for (const auto& write : wmiWrites) {
    state.wmiOn.insert(WmiSettingName(write.className, write.instanceName, write.property));
  }
  return state;
}

}  // namespace

std::string RunRecord::SchemeName(WStringView guid) const {
  auto name = schemeNames.find(ToLower(guid));
  return name == schemeNames.end() ? Utf16ToUtf8(guid) : name->second;
}

machine::MachineProfile ProfileOf(const std::string& profileText) {
  try {
    return machine::ParseProfile(profileText);
  } catch (const machine::ProfileError& error) {
    throw UnusableProfile(error.what());
  }
}

SimulatedPc SimulatedMachine(const std::string& profileText) {
  return SimulatedMachine(ProfileOf(profileText));
}

SimulatedPc SimulatedMachine(const machine::MachineProfile& profile) {
  try {
    return SimulatedPc{std::make_unique<sim::Machine>(profile), profile.packageArchitecture};
  } catch (const machine::ProfileError& error) {
    throw UnusableProfile(error.what());
  }
}

RunRecord RunActions(const std::string& profileText, const std::vector<std::string>& actions,
                     const RunOptions& options) {
  return RunActions(ProfileOf(profileText), actions, options);
}

RunRecord RunActions(const machine::MachineProfile& profile,
                     const std::vector<std::string>& actions, const RunOptions& options) {
  std::unique_ptr<sim::Machine> machine;
  try {
    machine = std::make_unique<sim::Machine>(profile);
  } catch (const machine::ProfileError& error) {
    throw UnusableProfile(error.what());
  }
  RunRecord run;
  run.warnings = profile.warnings;
  run.connectedStandby = profile.connectedStandby;
  run.platformRole = profile.platformRole;
  for (const auto& adapter : profile.networkAdapters) {
    run.adapters.push_back(Utf16ToUtf8(adapter.description.value_or(
        adapter.hardwareIds && !adapter.hardwareIds->empty() ? adapter.hardwareIds->front()
                                                             : u"(unnamed adapter)")));
  }
  {
    LoadedModule module(*machine);
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
    // The installer object exists from the first action on: a run of none only loads the
    // machine.
    if (module.Installer() != nullptr) {
      const InstallerContext& context = module.Installer()->Context();
      run.logPath = context.logPath;
      run.board = context.machineId;
      run.featureBytes = context.featureBytes;
    }
  }
  if (options.log) run.logLines = machine->ReadLogLines(run.logPath);
  if (auto build = machine->registry().GetValue(kShownBuildKey, kShownBuildValue)) {
    run.shownBuild = TextOfUtf16Le(build->data.data(), build->data.size());
  }
  if (options.reads) run.registryReads = machine->registry().Reads();
  run.registryWrites = machine->registry().Writes();
  for (const auto& process : machine->processes().Runs()) {
    run.processes.push_back(ProcessRecord{process.program, process.arguments, process.script,
                                          process.scriptCommandLine, process.redirectedTo});
  }
  run.wmiWrites = WmiWrites(*machine);
  run.end = EndStateOf(*machine, run.wmiWrites, options.registryAtEnd);
  auto resolve = [&machine](WStringView file, std::uint32_t id) {
    return machine->ResolveModuleString(file, id);
  };
  if (options.schemesText) {
    run.schemesText = powercfg::DescribeSchemes(machine->schemes(), resolve, run.end.preferredPlan);
  }
  // The machine's run is over: what its scheme store kept is handed over, not copied, after the
  // listing that reads it.
  run.schemeWrites = machine->schemes().TakeWrites();
  run.end.schemes = machine->schemes().TakeSchemes();
  for (const auto& scheme : run.end.schemes) {
    run.schemeNames[ToLower(scheme.guid)] =
        Utf16ToUtf8(powercfg::DisplayText(scheme.name, resolve));
  }
  run.namedValues = ValuesAtEnd(*machine, options.values);
  if (options.writableValues)
    run.writableValues = ValuesAtEnd(*machine, machine::WrittenValues(profile));
  return run;
}

}  // namespace presetra::cli
