// What the factory sees, for machines the tests and benchmarks generate: feature tokens, board
// IDs and Windows builds, each list covering every branch of the recipes.
#pragma once

#include <iterator>

namespace presetra::testing {

inline constexpr const char* kFleetTokens[] = {"aw", "bT", "gu", "3a", "aN", "a6", "a2", "dp",
                                               "as", "7K", "7P", "7W", "3X", "6b", "9Z"};
inline constexpr const char* kFleetBoards[] = {"62E6", "228B", "21E2", "E23F",
                                               "3F8C", "8A4F", "8B2A", "369E"};
inline constexpr const char* kFleetBuilds[] = {"15063", "16299", "19041", "19042", "19045"};

// An entry of `list` chosen by `random`.
template <typename Random, typename List>
auto Pick(Random& random, const List& list) {
  return list[random() % std::size(list)];
}

}  // namespace presetra::testing
