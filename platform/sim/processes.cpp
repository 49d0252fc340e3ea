#include "platform/sim/processes.h"

namespace presetra::sim {

namespace {

WString TrimRight(WString text) {
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.pop_back();
  return text;
}

}  // namespace

Processes::Processes(Faults& faults, FileSystem& files, Clock& clock)
    : faults_(faults), files_(files), clock_(clock) {}

ProgramRun Processes::Parse(WStringView commandLine) {
  ProgramRun run;
  run.commandLine = WString(commandLine);
  std::size_t i = 0;
  if (!commandLine.empty() && commandLine[0] == u'"') {
    std::size_t close = commandLine.find(u'"', 1);
    if (close == WStringView::npos) close = commandLine.size();
    run.program = WString(commandLine.substr(1, close - 1));
    i = close + 1;
  } else {
    while (i < commandLine.size() && commandLine[i] != u' ' && commandLine[i] != u'\t') ++i;
    run.program = WString(commandLine.substr(0, i));
  }
  // The separating blank belongs to neither part; further blanks belong to the arguments.
  if (i < commandLine.size() && (commandLine[i] == u' ' || commandLine[i] == u'\t')) ++i;
  if (i < commandLine.size()) run.arguments = WString(commandLine.substr(i));
  return run;
}

void Processes::RunScript(ProgramRun& run, platform::AppendFile* output) {
  // The command interpreter sets up the redirection before it runs the script: a target it
  // cannot open ends the command there.
  WString scriptArguments = run.arguments;
  std::size_t redirect = run.arguments.find(u">>");
  if (redirect != WString::npos) {
    scriptArguments = TrimRight(run.arguments.substr(0, redirect));
    WString target = run.arguments.substr(redirect + 2);
    std::size_t start = target.find_first_not_of(u' ');
    target = start == WString::npos ? WString() : target.substr(start);
    if (!target.empty() && target[0] == u'"') {
      std::size_t close = target.find(u'"', 1);
      target = target.substr(1, close == WString::npos ? WString::npos : close - 1);
    } else {
      target = target.substr(0, target.find(u' '));
    }
    run.redirectedTo = target;
    if (target.empty() || !files_.AppendFromOutside(target, {})) {
      run.exitCode = 1;
      return;
    }
  } else if (output != nullptr) {
    run.redirectedTo = output->Facts().finalPath;
  }
  run.scriptRan = true;
  auto program = programs_.find(WStringView(run.program));
  if (program == programs_.end()) return;
  ProgramRun scriptRun = run;
  scriptRun.arguments = scriptArguments;
  std::string text = program->second(scriptRun);
  run.exitCode = scriptRun.exitCode;
  run.runsForMs = scriptRun.runsForMs;
  const std::vector<std::uint8_t> bytes(text.begin(), text.end());
  if (redirect != WString::npos) {
    (void)files_.AppendFromOutside(run.redirectedTo, bytes);
  } else if (output != nullptr) {
    FileSystem::WriteThrough(*output, bytes);
  }
}

void Processes::RunInterpreter(ProgramRun& run, platform::AppendFile* output) {
  // "cmd.exe [/d] [/s] /c COMMAND": with /s, COMMAND loses its first and last quote.
  const std::size_t c = ToUpper(run.arguments).find(u"/C ");
  if (c == WString::npos) {
    run.exitCode = 1;
    return;
  }
  WString command = run.arguments.substr(c + 3);
  if (ToUpper(run.arguments.substr(0, c)).find(u"/S") != WString::npos && command.size() >= 2 &&
      command.front() == u'"' && command.back() == u'"') {
    command = command.substr(1, command.size() - 2);
  }
  ProgramRun script = Parse(command);
  run.script = script.program;
  run.scriptCommandLine = command;
  if (!files_.IsFile(script.program)) {
    run.exitCode = 1;  // "is not recognized as an internal or external command"
    return;
  }
  RunScript(script, output);
  run.scriptRan = script.scriptRan;
  run.redirectedTo = script.redirectedTo;
  run.exitCode = script.exitCode;
  run.runsForMs = script.runsForMs;
}

bool Processes::CreateProcess(const platform::ProcessStart& start,
                              platform::ProcessInformation* started) {
  if (faults_.ShouldFail(Call::kProcessCreate)) return false;
  ProgramRun run = Parse(start.commandLine);
  if (!start.application.empty()) run.program = start.application;
  run.application = start.application;
  run.creationFlags = start.creationFlags;
  if (run.program.empty() || !files_.IsFile(run.program)) return false;
  // Windows refuses a current folder that is not one (ERROR_DIRECTORY).
  if (!files_.IsFolder(start.currentFolder)) return false;
  run.currentFolder = start.currentFolder;
  for (const auto& fragment : refusedFragments_) {
    if (run.commandLine.find(fragment) != WString::npos) return false;
  }
  if (interpreters_.count(WStringView(run.program)) != 0) {
    RunInterpreter(run, start.output);
  } else if (EndsWithIgnoringCase(run.program, u".cmd") ||
             EndsWithIgnoringCase(run.program, u".bat")) {
    RunScript(run, start.output);
  } else {
    auto program = programs_.find(WStringView(run.program));
    if (program != programs_.end()) program->second(run);
  }
  for (const auto& fragment : hangFragments_) {
    if (run.commandLine.find(fragment) != WString::npos) run.runsForMs = kForever;
  }
  runs_.push_back(std::move(run));
  started->process = platform::ProcessHandle(nextHandle_);
  started->thread = platform::ProcessHandle(nextHandle_ + 4);
  handles_[started->process] = runs_.size() - 1;
  handles_[started->thread] = runs_.size() - 1;
  nextHandle_ += 8;
  return true;
}

win::Dword Processes::WaitForSingleObject(platform::ProcessHandle handle, win::Dword milliseconds) {
  if (faults_.ShouldFail(Call::kProcessWait)) return win::kWaitFailed;
  auto it = handles_.find(handle);
  if (it == handles_.end()) return win::kWaitFailed;
  ProgramRun& run = runs_[it->second];
  if (run.runsForMs > milliseconds) {
    clock_.Advance(milliseconds);
    if (run.runsForMs != kForever) run.runsForMs -= milliseconds;
    return win::kWaitTimeout;
  }
  clock_.Advance(run.runsForMs);
  run.runsForMs = 0;
  return win::kWaitObject0;
}

bool Processes::CloseHandle(platform::ProcessHandle handle) {
  return handles_.erase(handle) != 0;
}

void Processes::InstallProgram(WStringView path, Program program) {
  programs_[ToUpper(WString(path))] = std::move(program);
}

void Processes::InstallInterpreter(WStringView path) {
  interpreters_.insert(ToUpper(WString(path)));
}

}  // namespace presetra::sim
