// The power-management API of powrprof.dll.
#pragma once

#include "platform/guid.h"
#include "platform/text.h"
#include "platform/win_constants.h"

namespace presetra::platform {

// Where powercfg /HIBERNATE /SIZE keeps the hibernation file's size, a percentage of memory, under
// HKEY_LOCAL_MACHINE (Microsoft, "Reducing the Disk Footprint for Windows 7 Hibernation").
inline constexpr char16_t kHibernationKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Power";
inline constexpr char16_t kHibernationFileSizeValue[] = u"HiberFileSizePercent";

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
  // PowerReadACValueIndex (ac) or PowerReadDCValueIndex with no root key. On failure *value is
  // left unchanged; ERROR_FILE_NOT_FOUND when the scheme or the setting does not exist.
  [[nodiscard]] virtual win::Dword PowerReadValueIndex(const Guid& scheme, const Guid& subgroup,
                                                       const Guid& setting, bool ac,
                                                       win::Dword* value) = 0;
  // PowerEnumerate with no root key: with kAccessScheme the schemes, kAccessSubgroup a scheme's
  // subgroups, kAccessIndividualSetting a subgroup's settings; the GUID at `index`.
  // ERROR_NO_MORE_ITEMS past the last; on failure *guid is left unchanged.
  [[nodiscard]] virtual win::Dword PowerEnumerate(const Guid* scheme, const Guid* subgroup,
                                                  win::Dword access, win::Dword index,
                                                  Guid* guid) = 0;
  // PowerReadFriendlyName of a scheme (no subgroup, no setting): the name as Windows shows it.
  [[nodiscard]] virtual win::Dword PowerReadFriendlyName(const Guid& scheme, WString* name) = 0;
  // PowerDeterminePlatformRoleEx(POWER_PLATFORM_ROLE_V2): a POWER_PLATFORM_ROLE.
  [[nodiscard]] virtual win::Dword PowerDeterminePlatformRole() = 0;
};

}  // namespace presetra::platform
