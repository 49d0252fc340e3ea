// The simulated process table. A started command line is carried out at once by the program it
// names, when that program is installed here; the program says how long it runs, so a wait
// with a shorter time-out times out and leaves it running. Command scripts (.cmd) run under
// the command interpreter, started by name ("cmd.exe /c ...") or by the script's own name, as
// Windows does; the interpreter carries out a ">>" redirection of their output first.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/processes.h"
#include "platform/sim/clock.h"
#include "platform/sim/faults.h"
#include "platform/sim/file_system.h"

namespace presetra::sim {

// A program's run: what it was started with, and how long it takes.
struct ProgramRun {
  WString commandLine;
  WString program;        // the first token, unquoted
  WString arguments;      // the rest after the separating blank, as given
  WString currentFolder;  // the folder it was started in
  WString application;    // the program named apart from the command line, if any
  win::Dword creationFlags = 0;
  WString redirectedTo;       // for scripts: where the output went (">>" target or output file)
  bool scriptRan = false;     // for scripts: the interpreter got as far as the script
  WString script;             // for the interpreter: the script it ran
  WString scriptCommandLine;  // for the interpreter: the command it was given after /c
  win::Dword exitCode = 0;
  std::string output;  // what the program printed
  std::uint64_t runsForMs = 30;
};

class Processes : public platform::Processes {
 public:
  static constexpr std::uint64_t kForever = ~0ull;
  // Carries out a run: may set its exit code and how long it runs. For scripts it receives the
  // arguments without the redirection and returns the output the interpreter appends.
  using Program = std::function<std::string(ProgramRun& run)>;

  Processes(Faults& faults, FileSystem& files, Clock& clock);

  bool CreateProcess(const platform::ProcessStart& start,
                     platform::ProcessInformation* started) override;
  win::Dword WaitForSingleObject(platform::ProcessHandle handle, win::Dword milliseconds) override;
  bool CloseHandle(platform::ProcessHandle handle) override;

  // Installs the behaviour of a program file (the file must exist to be started).
  void InstallProgram(WStringView path, Program program);
  // Installs the command interpreter (cmd.exe) at the path.
  void InstallInterpreter(WStringView path);
  // Every process whose command line contains `fragment` runs forever.
  void HangWhenCommandContains(WStringView fragment) {
    hangFragments_.push_back(WString(fragment));
  }
  // Every command line that contains `fragment` fails to start.
  void RefuseCommandsContaining(WStringView fragment) {
    refusedFragments_.push_back(WString(fragment));
  }

  const std::vector<ProgramRun>& Runs() const { return runs_; }
  std::size_t OpenHandleCount() const { return handles_.size(); }

 private:
  static ProgramRun Parse(WStringView commandLine);
  void RunScript(ProgramRun& run, platform::AppendFile* output);
  void RunInterpreter(ProgramRun& run, platform::AppendFile* output);

  Faults& faults_;
  FileSystem& files_;
  Clock& clock_;
  std::map<WString, Program, LessIgnoringCase> programs_;  // by upper-cased path
  std::set<WString, LessIgnoringCase> interpreters_;       // by upper-cased path
  std::vector<WString> hangFragments_;
  std::vector<WString> refusedFragments_;
  std::vector<ProgramRun> runs_;
  std::map<platform::ProcessHandle, std::size_t> handles_;  // handle -> index into runs_
  std::uintptr_t nextHandle_ = 0x100;
};

}  // namespace presetra::sim
