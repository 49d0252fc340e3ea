#include "platform/win32/handles.h"
#include "platform/win32/system.h"

namespace presetra::win32 {

namespace {

HKEY ToHkey(platform::RegKey key) {
  if (key == platform::kHkeyLocalMachine) return HKEY_LOCAL_MACHINE;
  return ToNative<HKEY>(key);
}

platform::RegKey FromHkey(HKEY key) {
  return FromNative<platform::RegKey>(key);
}

}  // namespace

win::Long Registry::OpenKey(platform::RegKey root, WStringView subKey, win::Dword access,
                            platform::RegKey* key) {
  WString path(subKey);
  HKEY opened = nullptr;
  LONG result = RegOpenKeyExW(ToHkey(root), WidePtr(path), 0, access, &opened);
  if (result == ERROR_SUCCESS) *key = FromHkey(opened);
  return result;
}

win::Long Registry::CreateKey(platform::RegKey root, WStringView subKey, win::Dword options,
                              win::Dword access, platform::RegKey* key) {
  WString path(subKey);
  HKEY created = nullptr;
  LONG result = RegCreateKeyExW(ToHkey(root), WidePtr(path), 0, nullptr, options, access, nullptr,
                                &created, nullptr);
  if (result == ERROR_SUCCESS) *key = FromHkey(created);
  return result;
}

win::Long Registry::QueryValue(platform::RegKey key, WStringView name, win::Dword* type,
                               std::uint8_t* data, win::Dword* size) {
  WString valueName(name);
  DWORD valueType = 0;
  DWORD valueSize = size ? *size : 0;
  LONG result = RegQueryValueExW(ToHkey(key), WidePtr(valueName), nullptr, &valueType, data,
                                 size ? &valueSize : nullptr);
  if (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
    if (type) *type = valueType;
    if (size) *size = valueSize;
  }
  return result;
}

win::Long Registry::SetValue(platform::RegKey key, WStringView name, win::Dword type,
                             const std::uint8_t* data, win::Dword size) {
  WString valueName(name);
  return RegSetValueExW(ToHkey(key), WidePtr(valueName), 0, type, data, size);
}

win::Long Registry::CloseKey(platform::RegKey key) {
  return RegCloseKey(ToHkey(key));
}

}  // namespace presetra::win32
