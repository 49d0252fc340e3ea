// Starting programs and waiting for them.
#pragma once

#include <cstdint>

#include "platform/text.h"
#include "platform/win_constants.h"

namespace presetra::platform {

using Handle = std::uintptr_t;

struct ProcessInformation {
  Handle process = 0;
  Handle thread = 0;
};

class Processes {
 public:
  virtual ~Processes() = default;
  // CreateProcessW with no application name, a writable copy of the command line, no inherited
  // handles, the caller's environment, `currentFolder` as the new process's current folder
  // (never the caller's: a program that looks for its tools there must find only its own), and
  // STARTF_USESHOWWINDOW with SW_HIDE. On failure *started is left unchanged.
  [[nodiscard]] virtual bool CreateProcess(WStringView commandLine, win::Dword creationFlags,
                                           WStringView currentFolder,
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
