// One machine, as the system reaches it: every interface of this folder, together.
#pragma once

#include "platform/clock.h"
#include "platform/com.h"
#include "platform/devices.h"
#include "platform/files.h"
#include "platform/power.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/ui.h"

namespace presetra::platform {

class System {
 public:
  virtual ~System() = default;
  virtual Registry& registry() = 0;
  virtual FileSystem& files() = 0;
  virtual Processes& processes() = 0;
  virtual Clock& clock() = 0;
  virtual Shell& shell() = 0;
  virtual Com& com() = 0;
  virtual Power& power() = 0;
  virtual Windows& windows() = 0;
  virtual Devices& devices() = 0;
};

}  // namespace presetra::platform
