#include "host/app_installer.h"

namespace presetra {

namespace {
CAppInstaller* g_registered = nullptr;
}

CAppInstaller::CAppInstaller() {
  if (g_registered == nullptr) g_registered = this;
}

CAppInstaller::~CAppInstaller() {
  if (g_registered == this) g_registered = nullptr;
}

CAppInstaller* CAppInstaller::Registered() {
  return g_registered;
}

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
