// A simulated Windows 10 x64 PC: the base image with a machine profile laid over it.
#pragma once

#include <string>

#include "machine/profile.h"
#include "platform/emulation/powercfg/scheme_store.h"
#include "platform/sim/clock.h"
#include "platform/sim/com.h"
#include "platform/sim/devices.h"
#include "platform/sim/faults.h"
#include "platform/sim/file_system.h"
#include "platform/sim/power.h"
#include "platform/sim/processes.h"
#include "platform/sim/registry.h"
#include "platform/sim/shell.h"
#include "platform/sim/windows.h"
#include "platform/sim/wmi.h"
#include "platform/system.h"

namespace presetra::sim {

// The simulator applies the machine model: its types by their plain names here.
using machine::FactoryFolder;
using machine::MachineProfile;
using machine::PackageArchitecture;
using machine::ParseProfile;
using machine::ProfileError;
using machine::RegistryKeyEdit;

class Machine : public platform::System {
 public:
  explicit Machine(const MachineProfile& profile = MachineProfile());
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;
  ~Machine() override;

  Registry& registry() override { return registry_; }
  FileSystem& files() override { return files_; }
  Processes& processes() override { return processes_; }
  Clock& clock() override { return clock_; }
  Shell& shell() override { return shell_; }
  Com& com() override { return com_; }
  Power& power() override { return power_; }
  Windows& windows() override { return windows_; }
  Devices& devices() override { return devices_; }

  Faults& faults() { return faults_; }
  WmiRepository& wmi() { return wmi_; }
  powercfg::MemorySchemeStore& schemes() { return schemes_; }
  // Resolves "@...Presetra.dll,-ID,..." names from the module's string table in the UI
  // language, as Windows does while the module is installed.
  std::optional<WString> ResolveModuleString(WStringView file, std::uint32_t id) const;

  // Where the package puts its files: "C:\Program Files (x86)\Vorlan\Presetra\" for the x86
  // package, "C:\Program Files\Vorlan\Presetra\" for the x64 one.
  WString InstallDir() const;
  // The text of the UTF-16 log at `path`, one entry per line (CR LF removed, BOM skipped).
  std::vector<WString> ReadLogLines(WStringView path) const;
  // The whole machine, for failure messages.
  std::string Dump() const;

 private:
  void LoadBaseImage();
  void Apply(const MachineProfile& profile);
  // Windows' schemes as the profile's image, then the profile itself, has them.
  void LaySchemes(const MachineProfile& profile);

  Faults faults_;
  Registry registry_{faults_};
  FileSystem files_{faults_};
  Clock clock_;
  Processes processes_{faults_, files_, clock_};
  Shell shell_{faults_};
  WmiRepository wmi_{faults_};
  Com com_{faults_, wmi_};
  Power power_{faults_};
  Windows windows_{faults_, clock_};
  Devices devices_{faults_};
  powercfg::MemorySchemeStore schemes_;
  PackageArchitecture architecture_ = PackageArchitecture::kX86;
};

}  // namespace presetra::sim
