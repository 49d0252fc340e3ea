// Work over many machines on several threads: each index handed out exactly once, whatever the
// number of threads against the number of indexes.
#include "cli/fleet/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace presetra::cli {
namespace {

TEST(ForEachIndexTest, CallsEachIndexOnce) {
  const struct {
    std::size_t count;
    unsigned threads;
  } cases[] = {{0, 3}, {1, 3}, {2, 3}, {3, 3}, {4, 3}, {1000, 3}, {1000, 1}, {5, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.count) + " indexes on " + std::to_string(c.threads) + " threads");
    std::vector<std::atomic<int>> calls(c.count);
    ForEachIndex(c.count, c.threads, [&calls](std::size_t i) { ++calls[i]; });
    for (std::size_t i = 0; i < c.count; ++i) EXPECT_EQ(calls[i].load(), 1) << i;
  }
}

// What the threads write through a WorkLock is all there when ForEachIndex returns.
TEST(ForEachIndexTest, WritesUnderTheLockAreAllSeen) {
  WorkMutex mutex;
  std::vector<std::size_t> seen;
  ForEachIndex(2000, 4, [&](std::size_t i) {
    const WorkLock lock(mutex);
    seen.push_back(i);
  });
  EXPECT_EQ(seen.size(), 2000u);
}

}  // namespace
}  // namespace presetra::cli
