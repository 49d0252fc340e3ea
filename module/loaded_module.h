// The library as loaded into one process: the objects that live from load to unload, and the
// two custom-action entry points.
#pragma once

#include <memory>

#include "host/installer.h"
#include "platform/system.h"
#include "policy/os_def_set.h"

namespace presetra {

// The application object. It takes no part in the custom actions.
class CPresetraApp {
 public:
  bool InitInstance() { return true; }
};

class LoadedModule {
 public:
  // Loading: the module's state starts empty, the application and the policy object are
  // built, and the policy becomes the application installer the actions hand over to.
  explicit LoadedModule(platform::System& system);
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;
  // Unloading destroys the installer object, which gives back its OLE initialisation.
  ~LoadedModule();

  // vorqMSICommit and vorqMSIUninstall. The installer object comes with the first call of
  // either and serves every later one.
  unsigned Commit(MsiHandle handle);
  unsigned Uninstall(MsiHandle handle);

  CAdvInstaller* Installer() const { return installer_.get(); }
  // Given to the installer object when it comes (see CMSIInstaller::SetFeatureListener).
  void SetFeatureListener(CMSIInstaller::FeatureListener listener) {
    featureListener_ = std::move(listener);
  }
  void SetDecisionListener(DecisionListener listener) { decisionListener_ = std::move(listener); }
  COSDefSet& Policy() { return policy_; }

 private:
  CAdvInstaller& InstallerForCall(MsiHandle handle);

  platform::System& system_;
  ModuleState state_;
  CPresetraApp app_;
  COSDefSet policy_;
  std::unique_ptr<CAdvInstaller> installer_;
  CMSIInstaller::FeatureListener featureListener_;
  DecisionListener decisionListener_;
};

}  // namespace presetra
