// Work over many machines on every core: each index handed out once, to whichever thread is
// free, so that results can be kept by index and shown in input order.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "cli/run/work_lock.h"

namespace presetra::cli {

// The threads a fleet is planned on by default: one per core the system reports (at least one).
unsigned DefaultThreads();

// Calls work(i) once for every i below `count`, on up to `threads` threads, this one among
// them; returns when every call has returned. `work` must not throw. Where the standard
// library has no threads (MinGW's win32 thread model), every call runs on this thread.
void ForEachIndex(std::size_t count, unsigned threads,
                  const std::function<void(std::size_t)>& work);

// "\r<what> N of M" on a terminal's standard error, a few times a second, while long work goes
// on; the line is wiped when the work ends. Not shown unless `shown`.
class ProgressLine {
 public:
  ProgressLine(std::string what, std::size_t total, bool shown);
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;
  ~ProgressLine();
  // One more done; from any thread.
  void Done() { ++done_; }

 private:
  struct Painter;
  std::string what_;
  std::size_t total_;
  std::atomic<std::size_t> done_{0};
  std::unique_ptr<Painter> painter_;
};

// Whether the process's standard error is a terminal.
bool StandardErrorIsTerminal();

}  // namespace presetra::cli
