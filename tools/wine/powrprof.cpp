// powrprof.dll for Wine, loaded into msiexec and presetra.exe in place of Wine's: Connected
// Standby and the platform role from the machine facts, and the active scheme, scheme
// descriptions and values from the powercfg stand-in's registry store. Wine's own lacks
// PowerReadDescription and does not implement PowerGetActiveScheme.
// clang-format off
#include <windows.h>
#include <powrprof.h>
// clang-format on

#include <cstring>
#include <vector>

#include "platform/emulation/powercfg/interpreter.h"
#include "platform/guid.h"
#include "tools/wine/machine_facts.h"
#include "tools/wine/registry_scheme_store.h"

namespace {

// Windows' GUID and ours have the same fields.
bool GuidFromText(const presetra::WString& text, GUID* guid) {
  const auto parsed = presetra::platform::GuidFromText(text);
  if (!parsed) return false;
  guid->Data1 = parsed->data1;
  guid->Data2 = parsed->data2;
  guid->Data3 = parsed->data3;
  std::memcpy(guid->Data4, parsed->data4.data(), sizeof(guid->Data4));
  return true;
}

presetra::WString TextFromGuid(const GUID& guid) {
  presetra::platform::Guid ours;
  ours.data1 = guid.Data1;
  ours.data2 = guid.Data2;
  ours.data3 = guid.Data3;
  std::memcpy(ours.data4.data(), guid.Data4, sizeof(guid.Data4));
  return presetra::platform::GuidText(ours);
}

}  // namespace

extern "C" BOOLEAN WINAPI GetPwrCapabilities(PSYSTEM_POWER_CAPABILITIES capabilities) {
  if (capabilities == nullptr) return FALSE;
  auto facts = presetra::wine::ReadFacts();
  if (!facts.connectedStandby) {
    SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
  }
  std::memset(capabilities, 0, sizeof(*capabilities));
  capabilities->PowerButtonPresent = TRUE;
  capabilities->SleepButtonPresent = TRUE;
  capabilities->LidPresent = TRUE;
  capabilities->SystemS4 = TRUE;
  // The SDK's AoAc member.
  capabilities->spare2[2] = *facts.connectedStandby ? 1 : 0;
  return TRUE;
}

extern "C" DWORD WINAPI PowerGetActiveScheme(HKEY, GUID** active) {
  if (active == nullptr) return ERROR_INVALID_PARAMETER;
  presetra::wine::RegistrySchemeStore store;
  GUID guid;
  if (!GuidFromText(store.Active(), &guid)) return ERROR_FILE_NOT_FOUND;
  *active = static_cast<GUID*>(LocalAlloc(LMEM_FIXED, sizeof(GUID)));
  if (*active == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  **active = guid;
  return ERROR_SUCCESS;
}

extern "C" DWORD WINAPI PowerReadDescription(HKEY, const GUID* scheme, const GUID* subgroup,
                                             const GUID* setting, UCHAR* buffer, DWORD* size) {
  if (scheme == nullptr || size == nullptr || subgroup != nullptr || setting != nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  presetra::wine::RegistrySchemeStore store;
  auto found = store.Find(TextFromGuid(*scheme));
  if (!found) return ERROR_FILE_NOT_FOUND;
  DWORD needed = static_cast<DWORD>((found->description.size() + 1) * sizeof(char16_t));
  if (buffer == nullptr || *size < needed) {
    *size = needed;
    return buffer == nullptr ? ERROR_SUCCESS : ERROR_MORE_DATA;
  }
  std::memcpy(buffer, found->description.c_str(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

namespace {

DWORD ReadValueIndex(const GUID* scheme, const GUID* subgroup, const GUID* setting, bool ac,
                     DWORD* value) {
  if (scheme == nullptr || subgroup == nullptr || setting == nullptr || value == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  presetra::wine::RegistrySchemeStore store;
  const auto values =
      store.Value(TextFromGuid(*scheme),
                  presetra::powercfg::SettingKey{TextFromGuid(*subgroup), TextFromGuid(*setting)});
  const auto& index = !values ? std::nullopt : ac ? values->ac : values->dc;
  if (!index) return ERROR_FILE_NOT_FOUND;
  *value = *index;
  return ERROR_SUCCESS;
}

}  // namespace

extern "C" DWORD WINAPI PowerReadACValueIndex(HKEY, const GUID* scheme, const GUID* subgroup,
                                              const GUID* setting, DWORD* value) {
  return ReadValueIndex(scheme, subgroup, setting, true, value);
}

extern "C" DWORD WINAPI PowerReadDCValueIndex(HKEY, const GUID* scheme, const GUID* subgroup,
                                              const GUID* setting, DWORD* value) {
  return ReadValueIndex(scheme, subgroup, setting, false, value);
}

extern "C" DWORD WINAPI PowerEnumerate(HKEY, const GUID* scheme, const GUID* subgroup,
                                       POWER_DATA_ACCESSOR access, ULONG index, UCHAR* buffer,
                                       DWORD* size) {
  if (size == nullptr) return ERROR_INVALID_PARAMETER;
  presetra::wine::RegistrySchemeStore store;
  std::vector<presetra::WString> listed;
  auto add = [&listed](const presetra::WString& text) {
    GUID ignored;
    for (const auto& known : listed) {
      if (presetra::EqualsIgnoringCase(known, text)) return;
    }
    if (GuidFromText(text, &ignored)) listed.push_back(text);
  };
  if (access == ACCESS_SCHEME) {
    for (const auto& guid : store.Guids()) add(guid);
  } else if ((access == ACCESS_SUBGROUP && scheme != nullptr) ||
             (access == ACCESS_INDIVIDUAL_SETTING && scheme != nullptr && subgroup != nullptr)) {
    const auto subkeys =
        store.Subkeys(TextFromGuid(*scheme),
                      access == ACCESS_SUBGROUP ? presetra::WString() : TextFromGuid(*subgroup));
    if (!subkeys) return ERROR_FILE_NOT_FOUND;
    for (const auto& subkey : *subkeys) add(presetra::ToLower(subkey));
  } else {
    return ERROR_INVALID_PARAMETER;
  }
  if (index >= listed.size()) return ERROR_NO_MORE_ITEMS;
  if (buffer == nullptr || *size < sizeof(GUID)) {
    *size = sizeof(GUID);
    return ERROR_MORE_DATA;
  }
  GUID guid;
  GuidFromText(listed[index], &guid);
  std::memcpy(buffer, &guid, sizeof(GUID));
  *size = sizeof(GUID);
  return ERROR_SUCCESS;
}

extern "C" DWORD WINAPI PowerReadFriendlyName(HKEY, const GUID* scheme, const GUID* subgroup,
                                              const GUID* setting, UCHAR* buffer, DWORD* size) {
  if (scheme == nullptr || size == nullptr || subgroup != nullptr || setting != nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  presetra::wine::RegistrySchemeStore store;
  auto found = store.Find(TextFromGuid(*scheme));
  if (!found) return ERROR_FILE_NOT_FOUND;
  // As powercfg shows it: an indirect string's text.
  const presetra::WString name = presetra::powercfg::DisplayText(found->name);
  const DWORD needed = static_cast<DWORD>((name.size() + 1) * sizeof(char16_t));
  if (buffer == nullptr || *size < needed) {
    *size = needed;
    return buffer == nullptr ? ERROR_SUCCESS : ERROR_MORE_DATA;
  }
  std::memcpy(buffer, name.c_str(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

extern "C" POWER_PLATFORM_ROLE WINAPI PowerDeterminePlatformRoleEx(ULONG) {
  return presetra::wine::ReadFacts().platformRole == presetra::powercfg::PlatformRole::kDesktop
             ? PlatformRoleDesktop
             : PlatformRoleMobile;
}
