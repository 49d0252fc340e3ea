#include "platform/win32/handles.h"
#include "platform/win32/system.h"

namespace presetra::win32 {

namespace {

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

}  // namespace

win::HResult Shell::GetFolderPath(int csidl, std::size_t bufferChars, WString* path) {
  std::vector<wchar_t> buffer(bufferChars + 1, L'\0');
  HRESULT result = SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_DEFAULT, buffer.data());
  if (result == S_OK) *path = FromWide(buffer.data());
  return result;
}

bool Shell::GetVersion(win::Dword* major, win::Dword* minor) {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&info)) return false;
#pragma GCC diagnostic pop
  *major = info.dwMajorVersion;
  *minor = info.dwMinorVersion;
  return true;
}

std::uint16_t Shell::GetSystemDefaultUILanguage() {
  return ::GetSystemDefaultUILanguage();
}

std::optional<WString> Shell::LoadModuleString(std::uint32_t id) {
  // With no buffer size, LoadStringW hands out the resource's own text and its length.
  const wchar_t* text = nullptr;
  int length = LoadStringW(ThisModule(), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || text == nullptr) return std::nullopt;
  return FromWide(text, static_cast<std::size_t>(length));
}

}  // namespace presetra::win32
