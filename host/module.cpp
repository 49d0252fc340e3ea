#include "host/module.h"

#include "wmi/wmi_client.h"

namespace presetra {

namespace {
// The caches are plain statics of the module: a new load starts them afresh.
void ResetProcessCaches() {
  CWMIClient::ResetProcessState();
  ResetConnectedStandbyCache();
  COSDefSet::ResetNotebookCaches();
}
}  // namespace

LoadedModule::LoadedModule(platform::System& system) : system_(system) {
  ResetProcessCaches();
  app_.InitInstance();
}

LoadedModule::~LoadedModule() = default;

CAdvInstaller& LoadedModule::InstallerForCall(MsiHandle handle) {
  if (!installer_) {
    installer_ = std::make_unique<CAdvInstaller>(system_);
    installer_->SetFeatureListener(featureListener_);
  }
  installer_->SetHandle(handle);
  return *installer_;
}

unsigned LoadedModule::Commit(MsiHandle handle) {
  return static_cast<unsigned>(InstallerForCall(handle).Commit());
}

unsigned LoadedModule::Uninstall(MsiHandle handle) {
  return static_cast<unsigned>(InstallerForCall(handle).Uninstall());
}

}  // namespace presetra
