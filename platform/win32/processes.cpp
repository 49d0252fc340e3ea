#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/system.h"

namespace presetra::win32 {

bool Processes::CreateProcess(WStringView commandLine, win::Dword creationFlags,
                              WStringView currentFolder, platform::ProcessInformation* started) {
  // CreateProcessW may write into the command line, so it gets a copy of its own.
  std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION info{};
  const WString folder(currentFolder);
  if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, creationFlags, nullptr,
                      WidePtr(folder), &startup, &info)) {
    return false;
  }
  started->process = reinterpret_cast<platform::Handle>(info.hProcess);
  started->thread = reinterpret_cast<platform::Handle>(info.hThread);
  return true;
}

win::Dword Processes::WaitForSingleObject(platform::Handle handle, win::Dword milliseconds) {
  return ::WaitForSingleObject(reinterpret_cast<HANDLE>(handle), milliseconds);
}

bool Processes::CloseHandle(platform::Handle handle) {
  return ::CloseHandle(reinterpret_cast<HANDLE>(handle)) != FALSE;
}

platform::LocalTime Clock::Now() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return platform::LocalTime{now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

}  // namespace presetra::win32
