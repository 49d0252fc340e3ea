// A policy attached to an installer whose context is prepared, on a simulated machine: what a
// recipe finds when the commit action calls it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "module/loaded_module.h"
#include "test_machine.h"

namespace presetra::testing {

class PolicyFixture {
 public:
  explicit PolicyFixture(const std::string& profile) {
    machine =
        MachineFrom(R"("factory_folder": "present")" + (profile.empty() ? "" : ", " + profile));
    module = std::make_unique<LoadedModule>(*machine);
    installer = std::make_unique<CAdvInstaller>(*machine);
    module->Policy().Attach(installer.get());
    installer->CMSIInstaller::Commit();
    logStart = Log().size();
  }

  PolicyFixture(const PolicyFixture&) = delete;
  PolicyFixture& operator=(const PolicyFixture&) = delete;
  ~PolicyFixture() { ShowMachineIfFailed(machine.get()); }

  COSDefSet& policy() { return module->Policy(); }

  std::vector<std::string> Log() const { return LogTexts(*machine, kOsitLog); }
  // What the recipe logged, without the context's own lines.
  std::vector<std::string> RecipeLog() const {
    auto all = Log();
    return std::vector<std::string>(all.begin() + logStart, all.end());
  }
  // The argument texts of every powercfg run, in order.
  std::vector<std::string> PowercfgArguments() const {
    std::vector<std::string> arguments;
    for (const auto& run : machine->processes().Runs()) {
      if (EqualsIgnoringCase(run.program, u"C:\\Windows\\system32\\powercfg.exe")) {
        arguments.push_back(Utf16ToUtf8(run.arguments));
      }
    }
    return arguments;
  }

  std::unique_ptr<sim::Machine> machine;
  std::unique_ptr<LoadedModule> module;
  std::unique_ptr<CAdvInstaller> installer;
  std::size_t logStart = 0;
};

}  // namespace presetra::testing
