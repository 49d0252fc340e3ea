#include <memory>

#include "host/installer.h"

namespace presetra {

namespace {
constexpr win::Dword kScriptTimeoutMs = 900000;
}  // namespace

int CMSIInstaller::RunCommand(const platform::ProcessStart& start, const WString& statusText) {
  // Callers log the command line themselves; this logs what the person at the dialog sees.
  Log(statusText);
  platform::Processes& processes = system_.processes();
  platform::ScopedProcess process(processes);
  if (!processes.CreateProcess(start, process.Receive())) {
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
                              const WString* arguments, const WString* outputPath) {
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
  // The interpreter by its full path: "cmd.exe" alone would be looked for along the search path.
  const WString systemFolder = SystemFolder(system_.shell());
  if (systemFolder.empty()) {
    Log(u"ERROR: No system folder, script not started: " + scriptPath);
    return;
  }
  WString command = QuotePath(path);
  if (arguments != nullptr) command += u" " + *arguments;
  std::unique_ptr<platform::AppendFile> output;
  if (outputPath != nullptr) output = OpenScriptOutput(*outputPath);

  platform::ProcessStart start;
  start.application = systemFolder + u"\\cmd.exe";
  // /d: no AutoRun commands from the registry; /s /c: the command is everything between the
  // outer quotes, as given.
  start.commandLine = u"cmd.exe /d /s /c \"" + command + u"\"";
  start.creationFlags = win::kCreateUnicodeEnvironment | win::kCreateNoWindow;
  // The script's own folder: what it finds there is the package's.
  start.currentFolder = path.substr(0, path.find_last_of(u"\\/"));
  start.output = output.get();
  (void)RunCommand(start, statusText);
}

}  // namespace presetra
