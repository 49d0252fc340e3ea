// The application installer: what to apply, reached through the installer it is attached to.
#pragma once

#include <cstdint>

#include "host/installer.h"

namespace presetra {

class CAppInstaller {
 public:
  // The loaded module hands its actions over to its application installer (ModuleState).
  CAppInstaller();
  CAppInstaller(const CAppInstaller&) = delete;
  CAppInstaller& operator=(const CAppInstaller&) = delete;
  virtual ~CAppInstaller();
  virtual void Attach(CMSIInstaller* installer);
  // Two operations kept in their slots for installers of other products; nothing calls them.
  virtual int OnBeforeInstall(std::uintptr_t context);
  virtual int OnBeforeUninstall(std::uintptr_t context);
  // Writes the banner and the machine ID line. Returns 0.
  virtual int Install();
  virtual int Uninstall();

  CMSIInstaller* Installer() const { return installer_; }

 private:
  CMSIInstaller* installer_ = nullptr;
};

}  // namespace presetra
