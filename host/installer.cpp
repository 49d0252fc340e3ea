#include "host/installer.h"

namespace presetra {

CMSIInstaller::CMSIInstaller(platform::System& system)
    : system_(system), oleInitialized_(system.com().OleInitialize() == win::kSOk) {}

CMSIInstaller::~CMSIInstaller() {
  if (oleInitialized_) system_.com().OleUninitialize();
}

int CMSIInstaller::Commit() {
  // The log path first: every later step may log. The names that Attach set are known.
  SelectLogPath();
  context_.machineId = ReadRegistryString(system_.registry(), context_.registryKey, u"MachineID");
  ReadFeatureBytes();
  context_.version = ReadRegistryString(system_.registry(), context_.registryKey, u"Version");
  return 0;
}

int CMSIInstaller::Uninstall() {
  return CMSIInstaller::Commit();
}

void CMSIInstaller::SetStatusText(const WString&) {}

}  // namespace presetra
