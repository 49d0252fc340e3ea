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

void Processes::RunScript(ProgramRun& run) {
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
  }
  run.scriptRan = true;
  auto program = programs_.find(ToUpper(run.program));
  if (program == programs_.end()) return;
  ProgramRun scriptRun = run;
  scriptRun.arguments = scriptArguments;
  std::string output = program->second(scriptRun);
  run.exitCode = scriptRun.exitCode;
  run.runsForMs = scriptRun.runsForMs;
  if (!run.redirectedTo.empty()) {
    (void)files_.AppendFromOutside(run.redirectedTo,
                                   std::vector<std::uint8_t>(output.begin(), output.end()));
  }
}

bool Processes::CreateProcess(WStringView commandLine, win::Dword, WStringView currentFolder,
                              platform::ProcessInformation* started) {
  if (faults_.ShouldFail(Call::kProcessCreate)) return false;
  ProgramRun run = Parse(commandLine);
  if (run.program.empty() || !files_.IsFile(run.program)) return false;
  // Windows refuses a current folder that is not one (ERROR_DIRECTORY).
  if (!files_.IsFolder(currentFolder)) return false;
  run.currentFolder = WString(currentFolder);
  for (const auto& fragment : refusedFragments_) {
    if (run.commandLine.find(fragment) != WString::npos) return false;
  }
  if (EndsWithIgnoringCase(run.program, u".cmd") || EndsWithIgnoringCase(run.program, u".bat")) {
    RunScript(run);
  } else {
    auto program = programs_.find(ToUpper(run.program));
    if (program != programs_.end()) program->second(run);
  }
  for (const auto& fragment : hangFragments_) {
    if (run.commandLine.find(fragment) != WString::npos) run.runsForMs = kForever;
  }
  runs_.push_back(run);
  started->process = nextHandle_;
  started->thread = nextHandle_ + 4;
  handles_[nextHandle_] = runs_.size() - 1;
  handles_[nextHandle_ + 4] = runs_.size() - 1;
  nextHandle_ += 8;
  return true;
}

win::Dword Processes::WaitForSingleObject(platform::Handle handle, win::Dword milliseconds) {
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

bool Processes::CloseHandle(platform::Handle handle) {
  return handles_.erase(handle) != 0;
}

void Processes::InstallProgram(WStringView path, Program program) {
  programs_[ToUpper(WString(path))] = std::move(program);
}

}  // namespace presetra::sim
