// presetra.exe: the tool on Windows, where capture, plan and verify read this PC.
#include <windows.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "platform/win32/system.h"

int wmain(int argc, wchar_t** argv) {
  // The tool prints UTF-8, as on Linux; a console shows it as such.
  SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    arguments.push_back(presetra::Utf16ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
  }
  presetra::win32::System system;
  presetra::cli::ThisPc thisPc{system, sizeof(void*) == 8
                                           ? presetra::machine::PackageArchitecture::kX64
                                           : presetra::machine::PackageArchitecture::kX86};
  return presetra::cli::Run(arguments, std::cout, std::cerr, &thisPc);
}
