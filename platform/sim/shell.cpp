#include "platform/sim/shell.h"

namespace presetra::sim {

win::HResult Shell::GetFolderPath(int csidl, std::size_t bufferChars, WString* path) {
  if (faults_.ShouldFail(Call::kGetFolderPath)) return win::kEFail;
  const WString* folder = nullptr;
  if (csidl == win::kCsidlSystem) folder = &systemFolder;
  if (csidl == win::kCsidlProgramFiles) folder = &programFilesFolder;
  if (folder == nullptr) return win::kEInvalidArg;
  // An empty folder stands for one Windows cannot find.
  if (folder->empty()) return win::kEFail;
  // SHGetFolderPathW passes the Win32 error on as an HRESULT.
  if (folder->size() >= bufferChars) {
    return win::HResultFromWin32(win::kErrorInsufficientBuffer);
  }
  *path = *folder;
  return win::kSOk;
}

bool Shell::GetVersion(win::Dword* major, win::Dword* minor) {
  if (faults_.ShouldFail(Call::kGetVersion)) return false;
  // What Windows 10 tells a program that does not declare itself compatible with it.
  *major = 6;
  *minor = 2;
  return true;
}

std::optional<WString> Shell::LoadModuleString(std::uint32_t id) {
  if (faults_.ShouldFail(Call::kLoadString)) return std::nullopt;
  if (!strings_) return std::nullopt;
  // The resource look-up prefers the thread's UI language, then neutral English.
  if (auto text = strings_(id, uiLanguage_)) return text;
  return strings_(id, 1033);
}

}  // namespace presetra::sim
