// Work over many machines on every core: each index handed out once, to whichever thread is
// free, so that results can be kept by index and shown in input order.
#pragma once

#include <cstddef>
#include <functional>

namespace presetra::cli {

// The threads a fleet is planned on by default: one per core the system reports (at least one).
unsigned DefaultThreads();

// Calls work(i) once for every i below `count`, on up to `threads` threads, this one among
// them; returns when every call has returned. `work` must not throw. Where the standard
// library has no threads (MinGW's win32 thread model), every call runs on this thread.
void ForEachIndex(std::size_t count, unsigned threads,
                  const std::function<void(std::size_t)>& work);

}  // namespace presetra::cli
