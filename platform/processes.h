// Starting programs and waiting for them.
#pragma once

#include <cstdint>

#include "platform/files.h"
#include "platform/handle.h"
#include "platform/text.h"
#include "platform/win_constants.h"

namespace presetra::platform {

// A process or a thread; 0 is none.
using ProcessHandle = TypedHandle<struct ProcessKind>;

struct ProcessInformation {
  ProcessHandle process;
  ProcessHandle thread;
};

// What to start, and how.
struct ProcessStart {
  // The program's full path; empty: the command line's first token names it.
  WString application;
  WString commandLine;
  win::Dword creationFlags = 0;
  // Never the caller's: a program that looks for its tools there must find only its own.
  WString currentFolder;
  // The file the program's standard output and error go to, or null for none. Only this
  // handle is inherited.
  AppendFile* output = nullptr;
};

class Processes {
 public:
  virtual ~Processes() = default;
  // CreateProcessW with a writable copy of the command line, the caller's environment,
  // STARTF_USESHOWWINDOW with SW_HIDE, and no inherited handle but the output's. On failure
  // *started is left unchanged.
  [[nodiscard]] virtual bool CreateProcess(const ProcessStart& start,
                                           ProcessInformation* started) = 0;
  // WaitForSingleObject: WAIT_OBJECT_0 when the process ended, WAIT_TIMEOUT, or WAIT_FAILED.
  [[nodiscard]] virtual win::Dword WaitForSingleObject(ProcessHandle handle,
                                                       win::Dword milliseconds) = 0;
  virtual bool CloseHandle(ProcessHandle handle) = 0;
};

// Owns the two handles of a started process and closes them once.
class ScopedProcess {
 public:
  explicit ScopedProcess(Processes& processes) : processes_(processes) {}
  ScopedProcess(const ScopedProcess&) = delete;
  ScopedProcess& operator=(const ScopedProcess&) = delete;
  ~ScopedProcess() { Close(); }
  // The slot CreateProcess fills; handles already held are closed first.
  ProcessInformation* Receive() {
    Close();
    return &info_;
  }
  ProcessHandle process() const { return info_.process; }

 private:
  void Close() {
    if (info_.process) processes_.CloseHandle(info_.process);
    if (info_.thread) processes_.CloseHandle(info_.thread);
    info_ = ProcessInformation();
  }

  Processes& processes_;
  ProcessInformation info_;
};

}  // namespace presetra::platform
