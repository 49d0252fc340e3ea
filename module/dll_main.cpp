// The module's two exports. The platform and the loaded module are statics of the DLL: built
// when Windows loads it, destroyed when it unloads it.

#include "module/loaded_module.h"
#include "platform/win32/system.h"
#include "platform/win32/windows_sdk.h"

namespace {
presetra::win32::System g_system;
presetra::LoadedModule g_module(g_system);
}  // namespace

// Windows Installer custom actions: one MSIHANDLE in, 0 out.
extern "C" UINT __stdcall vorqMSICommit(unsigned long handle) {
  return g_module.Commit(static_cast<presetra::MsiHandle>(handle));
}

extern "C" UINT __stdcall vorqMSIUninstall(unsigned long handle) {
  return g_module.Uninstall(static_cast<presetra::MsiHandle>(handle));
}
