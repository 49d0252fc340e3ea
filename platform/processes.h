// Starting programs and waiting for them.
#pragma once

#include <cstdint>

#include "platform/files.h"
#include "platform/text.h"
#include "platform/win_constants.h"

namespace presetra::platform {

using Handle = std::uintptr_t;

struct ProcessInformation {
  Handle process = 0;
  Handle thread = 0;
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
  [[nodiscard]] virtual win::Dword WaitForSingleObject(Handle handle, win::Dword milliseconds) = 0;
  virtual bool CloseHandle(Handle handle) = 0;
};

// Owns the two handles of a started process and closes them once.
class ScopedProcess {
 public:
  explicit ScopedProcess(Processes& processes) : processes_(processes) {}
  ScopedProcess(const ScopedProcess&) = delete;
  ScopedProcess& operator=(const ScopedProcess&) = delete;
  ~ScopedProcess() {
    if (info_.process != 0) processes_.CloseHandle(info_.process);
    if (info_.thread != 0) processes_.CloseHandle(info_.thread);
  }
  ProcessInformation* Receive() { return &info_; }
  Handle process() const { return info_.process; }

 private:
  Processes& processes_;
  ProcessInformation info_;
};

}  // namespace presetra::platform
