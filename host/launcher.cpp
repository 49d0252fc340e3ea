#include "host/installer.h"

namespace presetra {

namespace {
constexpr win::Dword kScriptTimeoutMs = 900000;
}

int CMSIInstaller::RunCommand(const WString& commandLine, const WString& statusText) {
  // Callers log the command line themselves; this logs what the person at the dialog sees.
  Log(statusText);
  platform::Processes& processes = system_.processes();
  platform::ScopedProcess process(processes);
  if (!processes.CreateProcess(commandLine, win::kCreateUnicodeEnvironment, process.Receive())) {
    Log(u"ERROR: Unable to launch last command");
    return 0;
  }
  if (processes.WaitForSingleObject(process.process(), kScriptTimeoutMs) != win::kWaitObject0) {
    // The program is left running; the installation goes on.
    Log(u"ERROR: Command timed out");
  }
  return 1;
}

void CMSIInstaller::RunScript(const WString& scriptPath, const WString& statusText,
                              const WString* arguments) {
  WString path = scriptPath;
  if (system_.files().PathIsRelative(path)) path = context_.installDir + path;
  WString commandLine = QuotePath(path);
  if (arguments != nullptr) commandLine += u" " + *arguments;
  (void)RunCommand(commandLine, statusText);
}

}  // namespace presetra
