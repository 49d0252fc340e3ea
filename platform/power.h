// The power-management API of powrprof.dll.
#pragma once

#include "platform/guid.h"
#include "platform/text.h"
#include "platform/win_constants.h"

namespace presetra::platform {

class Power {
 public:
  virtual ~Power() = default;
  // GetPwrCapabilities. On success *aoac receives the AoAc member (Connected Standby); on
  // failure it is left unchanged.
  [[nodiscard]] virtual bool GetPwrCapabilities(bool* aoac) = 0;
  // PowerGetActiveScheme with no root key. On failure *active is left unchanged.
  [[nodiscard]] virtual win::Dword PowerGetActiveScheme(Guid* active) = 0;
  // PowerReadDescription of a scheme (no subgroup, no setting) into a buffer of
  // `bufferBytes` bytes. ERROR_SUCCESS when the scheme exists and its description fits.
  [[nodiscard]] virtual win::Dword PowerReadDescription(const Guid& scheme, win::Dword bufferBytes,
                                                        WString* description) = 0;
};

}  // namespace presetra::platform
