// presetra.exe: the tool on Windows, where capture, plan and verify read this PC.
#include <windows.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "platform/win32/system.h"

int wmain(int argc, wchar_t** argv) {
  // Run elevated from a Downloads folder or a stick, the tool must load nothing planted beside
  // it: every DLL loaded from here on comes from the system folder. (Its load-time imports are
  // Windows' KnownDLLs alone, which the loader takes from there anyway.)
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
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
