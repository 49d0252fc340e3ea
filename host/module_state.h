// What the module keeps for as long as it is loaded: answers read once and shared by every call
// and every installer object, as statics of the process would be. Each loaded module has its
// own, so simulated machines run side by side share nothing.
#pragma once

#include <cstdint>

#include "wmi/wmi_client.h"

namespace presetra {

class CAppInstaller;

struct ModuleState {
  ComSecurity comSecurity;
  // Connected Standby: -1 not yet asked, 0 no, 1 yes.
  std::int32_t connectedStandby = -1;
  // The notebook recipe's board check and accelerometer (-1 not yet read, 0 no, 1 yes).
  bool boardCheckPending = true;
  bool boardNotExcluded = false;
  std::int32_t accelerometer = -1;
  // The application installer the actions hand over to: the policy, once it is built.
  CAppInstaller* application = nullptr;
};

}  // namespace presetra
