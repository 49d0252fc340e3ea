// The PC the tool runs on, where it can read one (the Windows build): its platform layer, and
// the package the tool stands for.
#pragma once

#include <cstdio>
#include <string>

#include "machine/profile.h"
#include "platform/system.h"

namespace presetra::cli {

struct ThisPc {
  platform::System& system;
  // The package whose install folder and registry view capture describes: the tool's own
  // bitness, so the x64 tool describes the x64 package.
  machine::PackageArchitecture architecture;
};

// What a refused read means for the engineer: WMI's power classes and the BIOS namespace are
// readable by administrators only.
inline bool IsAccessDenied(win::HResult result) {
  return result == win::kWbemEAccessDenied || result == win::kEAccessDenied;
}

// "0x80041003", as Windows' tools print an HRESULT.
inline std::string HResultText(win::HResult result) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08X", static_cast<unsigned>(result));
  return text;
}

}  // namespace presetra::cli
