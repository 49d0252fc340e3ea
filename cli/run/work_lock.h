// A lock for work that may run on several threads: a mutex, and where the standard library has
// no threads (MinGW's win32 thread model, where the fleet's work runs on one), nothing.
#pragma once

#if !defined(_WIN32)
#include <mutex>
#endif

namespace presetra::cli {

#if !defined(_WIN32)
using WorkMutex = std::mutex;
#else
struct WorkMutex {
  void lock() {}
  void unlock() {}
};
#endif

// Holds a WorkMutex for as long as it lives.
class WorkLock {
 public:
  explicit WorkLock(WorkMutex& mutex) : mutex_(mutex) { mutex_.lock(); }
  WorkLock(const WorkLock&) = delete;
  WorkLock& operator=(const WorkLock&) = delete;
  ~WorkLock() { mutex_.unlock(); }

 private:
  WorkMutex& mutex_;
};

}  // namespace presetra::cli
