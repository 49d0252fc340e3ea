// Times bare launches of a program, as the custom actions launch powercfg: CreateProcessW
// hidden, then a wait for it to end. Prints the total in milliseconds.
//   presetra-launchbench.exe COUNT COMMAND_LINE
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <vector>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  const long count = std::wcstol(argv[1], nullptr, 10);
  LARGE_INTEGER frequency;
  LARGE_INTEGER start;
  LARGE_INTEGER end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  for (long i = 0; i < count; ++i) {
    std::vector<wchar_t> commandLine(argv[2], argv[2] + std::wcslen(argv[2]) + 1);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
      return 1;
    }
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  QueryPerformanceCounter(&end);
  std::printf("%lld\n", (end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart);
  return 0;
}
