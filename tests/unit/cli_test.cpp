// The presetra tool's contract: what it prints, and how it refuses a bad profile.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "cli/commands.h"

namespace presetra::cli {
namespace {

struct Result {
  int status;
  std::string out;
  std::string err;
};

Result RunTool(const std::vector<std::string>& arguments) {
  std::ostringstream out;
  std::ostringstream err;
  int status = Run(arguments, out, err);
  return {status, out.str(), err.str()};
}

std::string WriteTemp(const std::string& name, const std::string& text) {
  std::string path = ::testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

TEST(CliTest, CommitOnTheDefaultMachinePrintsItsLog) {
  Result result = RunTool({"commit"});
  EXPECT_EQ(result.status, 0) << result.err;
  std::istringstream lines(result.out);
  std::vector<std::string> texts;
  std::regex stamped(R"(^\d\d:\d\d:\d\d:\d\d\d\t(.*)$)");
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, stamped)) << line;
    texts.push_back(match[1]);
  }
  ASSERT_GE(texts.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 6),
            (std::vector<std::string>{"FeatureBytes:", "3XawbTgu", "BuildID:", "20WW",
                                      "***** Presetra 1.0.0.7 *****", "Machine ID = 62E6"}));
}

TEST(CliTest, EveryExampleMachineRuns) {
  for (const char* name : {"notebook-modern-standby", "notebook", "desktop-3a", "consumer"}) {
    Result result = RunTool({"commit", "uninstall", "--machine",
                             std::string(PRESETRA_EXAMPLES_DIR) + "/" + name + ".json"});
    EXPECT_EQ(result.status, 0) << name << ": " << result.err;
    EXPECT_NE(result.out.find("***** Presetra 1.0.0.7 *****"), std::string::npos) << name;
  }
}

TEST(CliTest, ABadProfileIsReportedWithItsFileAndField) {
  std::string path = WriteTemp("bad.json", R"({"profile": 1, "power": {"connected_standby": 3}})");
  Result result = RunTool({"commit", "--machine", path});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err,
            "presetra: " + path + ": power.connected_standby: expected true, false or \"error\"\n");

  Result missing = RunTool({"uninstall", "--machine", "/nonexistent/machine.json"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err, "presetra: /nonexistent/machine.json: cannot be read\n");
}

TEST(CliTest, RefusesUnknownArguments) {
  for (auto arguments : std::vector<std::vector<std::string>>{
           {}, {"install"}, {"commit", "--machine"}, {"--machine", "x.json"}}) {
    Result result = RunTool(arguments);
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("usage: presetra"), std::string::npos);
  }
}

}  // namespace
}  // namespace presetra::cli
