#include "cli/fleet/parallel.h"

#include <algorithm>
#include <atomic>
#include <iostream>
#include <vector>

#if !defined(_WIN32)
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <thread>
#endif

namespace presetra::cli {

unsigned DefaultThreads() {
#if defined(_WIN32)
  return 1;
#else
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : cores;
#endif
}

void ForEachIndex(std::size_t count, unsigned threads,
                  const std::function<void(std::size_t)>& work) {
  if (count == 0) return;
  std::atomic<std::size_t> next{0};
  auto drain = [&] {
    for (std::size_t i = next++; i < count; i = next++) work(i);
  };
#if !defined(_WIN32)
  std::vector<std::thread> helpers;
  const std::size_t wanted = threads == 0 ? 0 : std::min<std::size_t>(threads, count) - 1;
  for (std::size_t t = 0; t < wanted; ++t) helpers.emplace_back(drain);
  drain();
  for (auto& helper : helpers) helper.join();
#else
  (void)threads;
  drain();
#endif
}

bool StandardErrorIsTerminal() {
#if defined(_WIN32)
  return false;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

#if !defined(_WIN32)
struct ProgressLine::Painter {
  std::mutex mutex;
  std::condition_variable wake;
  bool finished = false;
  std::thread thread;
};
#else
struct ProgressLine::Painter {};
#endif

ProgressLine::ProgressLine(std::string what, std::size_t total, bool shown)
    : what_(std::move(what)), total_(total) {
#if !defined(_WIN32)
  if (!shown) return;
  painter_ = std::make_unique<Painter>();
  painter_->thread = std::thread([this] {
    std::unique_lock<std::mutex> lock(painter_->mutex);
    std::size_t width = 0;
    while (!painter_->finished) {
      const std::string line =
          what_ + " " + std::to_string(done_.load()) + " of " + std::to_string(total_);
      width = std::max(width, line.size());
      std::cerr << '\r' << line << std::flush;
      painter_->wake.wait_for(lock, std::chrono::milliseconds(200));
    }
    std::cerr << '\r' << std::string(width, ' ') << '\r' << std::flush;
  });
#else
  (void)shown;
#endif
}

ProgressLine::~ProgressLine() {
#if !defined(_WIN32)
  if (!painter_) return;
  {
    const std::lock_guard<std::mutex> lock(painter_->mutex);
    painter_->finished = true;
  }
  painter_->wake.notify_one();
  painter_->thread.join();
#endif
}

}  // namespace presetra::cli
