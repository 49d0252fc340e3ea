#include "cli/parallel.h"

#include <algorithm>
#include <atomic>
#include <vector>

#if !defined(_WIN32)
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

}  // namespace presetra::cli
