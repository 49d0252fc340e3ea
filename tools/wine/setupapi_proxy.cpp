// setupapi.dll for Wine, loaded into msiexec in front of Wine's own (renamed setupapi_wine):
// Wine lists the seeded network adapters but never answers SPDRP_ENUMERATOR_NAME. This proxy
// forwards every export to Wine's and answers that one property from the device instance ID,
// whose first segment is the enumerator, as Windows does.
#include <windows.h>

#include <cstring>

namespace {

// The SDK's SP_DEVINFO_DATA; setupapi.h is not included so that this module can define the
// function it declares.
struct DeviceInfoData {
  DWORD cbSize;
  GUID ClassGuid;
  DWORD DevInst;
  ULONG_PTR Reserved;
};

constexpr DWORD kEnumeratorName = 22;  // SPDRP_ENUMERATOR_NAME

using GetPropertyFn = BOOL(WINAPI*)(void*, DeviceInfoData*, DWORD, DWORD*, BYTE*, DWORD, DWORD*);
using GetInstanceIdFn = BOOL(WINAPI*)(void*, DeviceInfoData*, wchar_t*, DWORD, DWORD*);

HMODULE Wine() {
  static HMODULE module = LoadLibraryW(L"setupapi_wine.dll");
  return module;
}

}  // namespace

extern "C" BOOL WINAPI SetupDiGetDeviceRegistryPropertyW(void* set, DeviceInfoData* device,
                                                         DWORD property, DWORD* type, BYTE* buffer,
                                                         DWORD size, DWORD* required) {
  if (property != kEnumeratorName) {
    static auto real = reinterpret_cast<GetPropertyFn>(
        reinterpret_cast<void*>(GetProcAddress(Wine(), "SetupDiGetDeviceRegistryPropertyW")));
    if (real == nullptr) {
      SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
      return FALSE;
    }
    return real(set, device, property, type, buffer, size, required);
  }
  static auto instanceId = reinterpret_cast<GetInstanceIdFn>(
      reinterpret_cast<void*>(GetProcAddress(Wine(), "SetupDiGetDeviceInstanceIdW")));
  wchar_t id[1024] = {};
  if (instanceId == nullptr || !instanceId(set, device, id, 1024, nullptr)) return FALSE;
  const wchar_t* separator = wcschr(id, L'\\');
  std::size_t length = separator ? static_cast<std::size_t>(separator - id) : wcslen(id);
  DWORD bytes = static_cast<DWORD>((length + 1) * sizeof(wchar_t));
  if (type != nullptr) *type = REG_SZ;
  if (required != nullptr) *required = bytes;
  if (buffer == nullptr || size < bytes) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, id, length * sizeof(wchar_t));
  reinterpret_cast<wchar_t*>(buffer)[length] = L'\0';
  return TRUE;
}
