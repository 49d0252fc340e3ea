// Helpers shared by the unit tests: machines from inline profiles, and the log a run wrote.
#pragma once

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "module/loaded_module.h"
#include "platform/sim/machine.h"

namespace presetra::testing {

// A machine from a profile given as JSON text (the "profile": 1 header is added).
inline std::unique_ptr<sim::Machine> MachineFrom(const std::string& fields = "") {
  std::string json = "{\"profile\": 1" + (fields.empty() ? "" : ", " + fields) + "}";
  return std::make_unique<sim::Machine>(machine::ParseProfile(json));
}

// Shows the whole machine (registry, files, WMI, power schemes, processes) when the running
// test has failed, so that the failure comes with the state that explains it.
inline void ShowMachineIfFailed(const sim::Machine* machine) {
  if (machine == nullptr || !::testing::Test::HasFailure()) return;
  std::cout << "The simulated machine at the end of the test:\n" << machine->Dump();
}

// The log lines without their time stamps.
inline std::vector<std::string> LogTexts(const sim::Machine& machine, WStringView path) {
  std::vector<std::string> texts;
  for (const auto& line : machine.ReadLogLines(path)) {
    std::size_t tab = line.find(u'\t');
    texts.push_back(Utf16ToUtf8(tab == WString::npos ? line : line.substr(tab + 1)));
  }
  return texts;
}

inline const WString kOsitLog = u"C:\\System.sav\\LOGS\\OSIT\\Presetra.log";
inline const std::string kPowercfgPrefix = "C:\\Windows\\system32\\powercfg.exe ";

// An installer object with its names set and its log in the factory folder of a machine.
class InstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = MachineFrom(R"("factory_folder": "present")");
    installer_ = std::make_unique<CAdvInstaller>(*machine_);
    SetContextNames(*installer_);
    installer_->SelectLogPath();
  }
  void TearDown() override { ShowMachineIfFailed(machine_.get()); }
  std::vector<std::string> Log() const { return LogTexts(*machine_, kOsitLog); }

  std::unique_ptr<sim::Machine> machine_;
  std::unique_ptr<CAdvInstaller> installer_;
};

}  // namespace presetra::testing
