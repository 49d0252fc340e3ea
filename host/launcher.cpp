#include "host/installer.h"

namespace presetra {

namespace {
constexpr win::Dword kScriptTimeoutMs = 900000;
}

int CMSIInstaller::RunCommand(const WString& commandLine, const WString& statusText,
                              const WString& currentFolder) {
  // Callers log the command line themselves; this logs what the person at the dialog sees.
  Log(statusText);
  platform::Processes& processes = system_.processes();
  platform::ScopedProcess process(processes);
  if (!processes.CreateProcess(commandLine, win::kCreateUnicodeEnvironment, currentFolder,
                               process.Receive())) {
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
  if (system_.files().PathIsRelative(path)) {
    // Without the program-files folder the path would stay relative, and the script would be
    // looked for wherever the installer happens to be.
    if (context_.installDir.empty()) {
      Log(u"ERROR: No install folder, script not started: " + scriptPath);
      return;
    }
    path = context_.installDir + path;
  }
  WString commandLine = QuotePath(path);
  if (arguments != nullptr) commandLine += u" " + *arguments;
  // The script's own folder: what it finds there is the package's.
  const WString folder = path.substr(0, path.find_last_of(u"\\/"));
  (void)RunCommand(commandLine, statusText, folder);
}

}  // namespace presetra
