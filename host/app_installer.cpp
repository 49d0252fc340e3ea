#include "host/app_installer.h"

namespace presetra {

CAppInstaller::CAppInstaller() = default;

CAppInstaller::~CAppInstaller() = default;

void CAppInstaller::Attach(CMSIInstaller* installer) {
  installer_ = installer;
}

int CAppInstaller::OnBeforeInstall(std::uintptr_t) {
  return 1;
}

int CAppInstaller::OnBeforeUninstall(std::uintptr_t) {
  return 1;
}

int CAppInstaller::Install() {
  if (installer_ == nullptr) return 0;
  installer_->Log(u"***** " + installer_->GetProductName() + u" " + installer_->GetVersion() +
                  u" *****");
  installer_->Log(Format(u"Machine ID = %s", installer_->GetMachineID()));
  return 0;
}

int CAppInstaller::Uninstall() {
  return 0;
}

}  // namespace presetra
