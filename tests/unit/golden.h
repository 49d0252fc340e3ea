// Whole expected logs kept as files beside the tests. With PRESETRA_UPDATE_GOLDEN=1 in the
// environment a run writes what it saw instead, for a person to review with git diff.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace presetra::testing {

inline void ExpectGolden(const std::string& name, const std::string& actual) {
  const std::string path = std::string(PRESETRA_GOLDEN_DIR) + "/" + name;
  const char* update = std::getenv("PRESETRA_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    std::ofstream(path, std::ios::binary) << actual;
    return;
  }
  std::ifstream file(path, std::ios::binary);
  ASSERT_TRUE(file.good()) << "no golden file " << path;
  std::ostringstream expected;
  expected << file.rdbuf();
  EXPECT_EQ(actual, expected.str()) << "golden file " << path;
}

// The tool's output with the time stamps taken off, so the file reads as the log's texts.
inline std::string WithoutStamps(const std::string& output) {
  std::istringstream lines(output);
  std::string result;
  for (std::string line; std::getline(lines, line);) {
    std::size_t tab = line.find('\t');
    bool stamped = tab == 12 && line[2] == ':' && line[5] == ':' && line[8] == ':';
    result += (stamped ? line.substr(tab + 1) : line) + "\n";
  }
  return result;
}

}  // namespace presetra::testing
