#include "platform/win32/handles.h"
#include "platform/win32/system.h"

namespace presetra::win32 {

namespace {

// Power functions are found at run time: those that older Windows and Wine lack, so the module
// loads everywhere (a missing function behaves as a failed call), and every other one too, so
// that powrprof, which is not one of Windows' KnownDLLs, is never a load-time import that the
// loader would look for in the program's own folder first.
template <typename Function>
Function PowrprofFunction(const char* name) {
  HMODULE powrprof = GetModuleHandleW(L"powrprof.dll");
  // From the system folder only: the installer's own folder and the search path are not ours.
  // (SetDefaultDllDirectories would say the same for the whole installer process, which is not
  // this module's to change.)
  if (powrprof == nullptr) {
    powrprof = LoadLibraryExW(L"powrprof.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
  if (powrprof == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(powrprof, name)));
}

using GetPwrCapabilitiesFn = BOOLEAN(WINAPI*)(SYSTEM_POWER_CAPABILITIES*);
using PowerGetActiveSchemeFn = DWORD(WINAPI*)(HKEY, GUID**);
using PowerReadValueIndexFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, DWORD*);
using PowerEnumerateFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, POWER_DATA_ACCESSOR, ULONG,
                                        UCHAR*, DWORD*);
using PowerReadFriendlyNameFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, UCHAR*,
                                               DWORD*);
using PowerDeterminePlatformRoleExFn = POWER_PLATFORM_ROLE(WINAPI*)(ULONG);
using PowerDeterminePlatformRoleFn = POWER_PLATFORM_ROLE(WINAPI*)();
using PowerReadDescriptionFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, UCHAR*,
                                              DWORD*);

platform::Guid FromGuid(const GUID& guid) {
  platform::Guid out;
  out.data1 = guid.Data1;
  out.data2 = guid.Data2;
  out.data3 = guid.Data3;
  for (int i = 0; i < 8; ++i) out.data4[i] = guid.Data4[i];
  return out;
}

GUID ToGuid(const platform::Guid& guid) {
  GUID out{};
  out.Data1 = guid.data1;
  out.Data2 = guid.data2;
  out.Data3 = guid.data3;
  for (int i = 0; i < 8; ++i) out.Data4[i] = guid.data4[i];
  return out;
}

}  // namespace

bool Power::GetPwrCapabilities(bool* aoac) {
  SYSTEM_POWER_CAPABILITIES capabilities;
  ZeroMemory(&capabilities, sizeof(capabilities));
  const auto getPwrCapabilities = PowrprofFunction<GetPwrCapabilitiesFn>("GetPwrCapabilities");
  if (getPwrCapabilities == nullptr || !getPwrCapabilities(&capabilities)) return false;
  // The SDK's AoAc member; MinGW's header names that byte spare2[2].
  *aoac = capabilities.spare2[2] != 0;
  return true;
}

win::Dword Power::PowerGetActiveScheme(platform::Guid* active) {
  static const auto function = PowrprofFunction<PowerGetActiveSchemeFn>("PowerGetActiveScheme");
  if (function == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
  ScopedLocal<GUID*> scheme;
  const DWORD result = function(nullptr, scheme.Receive());
  if (result == ERROR_SUCCESS && scheme.get() != nullptr) *active = FromGuid(*scheme.get());
  return result;
}

win::Dword Power::PowerReadDescription(const platform::Guid& scheme, win::Dword bufferBytes,
                                       WString* description) {
  static const auto function = PowrprofFunction<PowerReadDescriptionFn>("PowerReadDescription");
  if (function == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
  GUID guid = ToGuid(scheme);
  std::vector<wchar_t> buffer(bufferBytes / sizeof(wchar_t) + 1, L'\0');
  DWORD size = bufferBytes;
  DWORD result =
      function(nullptr, &guid, nullptr, nullptr, reinterpret_cast<UCHAR*>(buffer.data()), &size);
  if (result == ERROR_SUCCESS) *description = FromWide(buffer.data());
  return result;
}

win::Dword Power::PowerReadValueIndex(const platform::Guid& scheme, const platform::Guid& subgroup,
                                      const platform::Guid& setting, bool ac, win::Dword* value) {
  static const auto readAc = PowrprofFunction<PowerReadValueIndexFn>("PowerReadACValueIndex");
  static const auto readDc = PowrprofFunction<PowerReadValueIndexFn>("PowerReadDCValueIndex");
  const auto function = ac ? readAc : readDc;
  if (function == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
  const GUID schemeGuid = ToGuid(scheme);
  const GUID subgroupGuid = ToGuid(subgroup);
  const GUID settingGuid = ToGuid(setting);
  DWORD index = 0;
  const DWORD result = function(nullptr, &schemeGuid, &subgroupGuid, &settingGuid, &index);
  if (result == ERROR_SUCCESS) *value = index;
  return result;
}

win::Dword Power::PowerEnumerate(const platform::Guid* scheme, const platform::Guid* subgroup,
                                 win::Dword access, win::Dword index, platform::Guid* guid) {
  static const auto function = PowrprofFunction<PowerEnumerateFn>("PowerEnumerate");
  if (function == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
  const GUID schemeGuid = scheme != nullptr ? ToGuid(*scheme) : GUID{};
  const GUID subgroupGuid = subgroup != nullptr ? ToGuid(*subgroup) : GUID{};
  GUID listed{};
  DWORD size = sizeof(listed);
  const DWORD result = function(nullptr, scheme != nullptr ? &schemeGuid : nullptr,
                                subgroup != nullptr ? &subgroupGuid : nullptr,
                                static_cast<POWER_DATA_ACCESSOR>(access), index,
                                reinterpret_cast<UCHAR*>(&listed), &size);
  if (result == ERROR_SUCCESS) *guid = FromGuid(listed);
  return result;
}

win::Dword Power::PowerReadFriendlyName(const platform::Guid& scheme, WString* name) {
  static const auto function = PowrprofFunction<PowerReadFriendlyNameFn>("PowerReadFriendlyName");
  if (function == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
  const GUID guid = ToGuid(scheme);
  // The size first, then the name: a scheme's name has no fixed bound.
  DWORD size = 0;
  DWORD result = function(nullptr, &guid, nullptr, nullptr, nullptr, &size);
  if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) return result;
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  result =
      function(nullptr, &guid, nullptr, nullptr, reinterpret_cast<UCHAR*>(buffer.data()), &size);
  if (result == ERROR_SUCCESS) *name = FromWide(buffer.data());
  return result;
}

win::Dword Power::PowerDeterminePlatformRole() {
  static const auto function =
      PowrprofFunction<PowerDeterminePlatformRoleExFn>("PowerDeterminePlatformRoleEx");
  if (function != nullptr) return static_cast<win::Dword>(function(POWER_PLATFORM_ROLE_V2));
  // Before Windows 8 only version 1 of the roles exists, which has no slate.
  static const auto first =
      PowrprofFunction<PowerDeterminePlatformRoleFn>("PowerDeterminePlatformRole");
  return static_cast<win::Dword>(first != nullptr ? first() : PlatformRoleUnspecified);
}

}  // namespace presetra::win32
