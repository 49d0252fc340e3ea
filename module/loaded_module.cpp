#include "module/loaded_module.h"

namespace presetra {

LoadedModule::LoadedModule(platform::System& system) : system_(system) {
  state_.application = &policy_;
  app_.InitInstance();
}

LoadedModule::~LoadedModule() = default;

CAdvInstaller& LoadedModule::InstallerForCall(MsiHandle handle) {
  if (!installer_) {
    installer_ = std::make_unique<CAdvInstaller>(system_);
    installer_->UseModuleState(state_);
    installer_->SetFeatureListener(featureListener_);
    installer_->SetDecisionListener(decisionListener_);
  }
  installer_->SetHandle(handle);
  return *installer_;
}

// The log is open for one action at a time: between actions nothing of ours holds the factory
// folders, and another program may move or read the log.
unsigned LoadedModule::Commit(MsiHandle handle) {
  CAdvInstaller& installer = InstallerForCall(handle);
  const int result = installer.Commit();
  installer.CloseLog();
  return static_cast<unsigned>(result);
}

unsigned LoadedModule::Uninstall(MsiHandle handle) {
  CAdvInstaller& installer = InstallerForCall(handle);
  const int result = installer.Uninstall();
  installer.CloseLog();
  return static_cast<unsigned>(result);
}

}  // namespace presetra
