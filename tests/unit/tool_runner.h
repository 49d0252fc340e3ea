// Runs the presetra tool in the test's process and keeps what it printed.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace presetra::testing {

struct ToolResult {
  int status;
  std::string out;
  std::string err;
};

// This test process's own folder in the temporary folder, removed when the process ends. Two
// runs of the tests at once (two builds, two clones of the project) must not share a file: one
// run's fresh folder would empty the other's in the middle of a test.
inline const std::string& ProcessTempDir() {
  struct Owned {
    std::string path = ::testing::TempDir() + "presetra-" + std::to_string(::getpid()) + "/";
    Owned() { std::filesystem::create_directories(path); }
    ~Owned() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
  };
  static const Owned folder;
  return folder.path;
}

// A path in this process's temporary folder that no other test uses: ctest runs tests side by
// side.
inline std::string UniqueTempPath(const std::string& name) {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string prefix = test == nullptr ? std::string("none")
                                       : std::string(test->test_suite_name()) + "." + test->name();
  for (char& c : prefix) c = c == '/' ? '_' : c;
  return ProcessTempDir() + prefix + "-" + name;
}

// The text with the first `from` replaced by `to`; a `from` that is not there fails the test.
inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// The example profile of that name ("notebook": examples/notebook.json).
inline std::string Example(const std::string& name) {
  return std::string(PRESETRA_EXAMPLES_DIR) + "/" + name + ".json";
}

inline std::string ReadText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// A fresh folder in this process's temporary folder.
inline std::filesystem::path Folder(const std::string& name) {
  std::filesystem::path folder = std::filesystem::path(ProcessTempDir()) / name;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

inline void Write(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline ToolResult RunTool(const std::vector<std::string>& arguments) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = cli::Run(arguments, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace presetra::testing
