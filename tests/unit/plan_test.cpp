// presetra plan and presetra matrix: whole expected texts for the example fleet, the reasons an
// adapter is configured or skipped, a changed fleet seen through --diff, and profiles that
// cannot be planned.
#include "cli/run/plan.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/commands.h"
#include "golden.h"
#include "tests/generated_fleet.h"
#include "tool_runner.h"

namespace presetra::cli {
namespace {

using Result = testing::ToolResult;
using testing::Example;
using testing::Replaced;
using testing::RunTool;

class ExamplePlan : public ::testing::TestWithParam<const char*> {};

TEST_P(ExamplePlan, MatchesItsWholeText) {
  const std::string name = GetParam();
  Result result = RunTool({"plan", "--machine", Example(name)});
  ASSERT_EQ(result.status, 0) << result.err;
  // The folder of the examples differs between checkouts; the name is what the file shows.
  testing::ExpectGolden("plans/" + name + ".txt",
                        Replaced(result.out, std::string(PRESETRA_EXAMPLES_DIR) + "/", ""));
}

INSTANTIATE_TEST_SUITE_P(Examples, ExamplePlan,
                         ::testing::Values("consumer", "desktop", "desktop-3a",
                                           "modern-standby-228b", "modern-standby-no-gu",
                                           "modern-standby-rs2", "notebook-modern-standby",
                                           "notebook"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name) c = c == '-' ? '_' : c;
                           return name;
                         });

TEST(PlanTest, JsonCarriesTheSamePlan) {
  Result result = RunTool({"plan", "--machine", Example("notebook"), "--format", "json"});
  ASSERT_EQ(result.status, 0) << result.err;
  testing::ExpectGolden("plans/notebook.json",
                        Replaced(result.out, std::string(PRESETRA_EXAMPLES_DIR) + "/", ""));
  EXPECT_TRUE(nlohmann::json::accept(result.out));
}

TEST(PlanTest, SaysWhyEachAdapterIsConfiguredOrSkipped) {
  std::string profile = R"({"profile": 1,
    "firmware": {"oem_strings": ["FBYTE#3Xaw.", "BUILDID#20WW;"]},
    "registry": {"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra": {"MachineID": "8A4F"},
      "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion":
        {"CurrentBuildNumber": "19042"}},
    "network_adapters": [
      {"description": "USB Ethernet", "enumerator": "USB", "driver": "{4d36e972-e325-11ce-bfc1-08002be10318}\\0001",
       "hardware_ids": ["USB\\VID_0BDA&PID_8153"]},
      {"description": "Killer Wireless-AC 1550", "enumerator": "PCI", "driver": "{4d36e972-e325-11ce-bfc1-08002be10318}\\0002",
       "hardware_ids": ["PCI\\VEN_8086&DEV_2526"]},
      {"description": "Network Controller", "enumerator": "PCI", "driver": "{4d36e972-e325-11ce-bfc1-08002be10318}\\0003",
       "hardware_ids": ["PCI\\VEN_8086&DEV_A0F0", "PCI\\VEN_8086&CC_028000"]},
      {"description": "Ethernet I219-LM", "enumerator": "PCI", "driver": "{4d36e972-e325-11ce-bfc1-08002be10318}\\0004",
       "hardware_ids": ["PCI\\VEN_8086&DEV_15BB"]},
      {"description": "Ethernet I225-V", "enumerator": "PCI", "driver": "{4d36e972-e325-11ce-bfc1-08002be10318}\\0005",
       "hardware_ids": ["PCI\\VEN_8086&DEV_15F3"], "wmi": "write_fails"},
      {"description": "Ethernet without a driver key", "enumerator": "PCI",
       "hardware_ids": ["PCI\\VEN_10EC&DEV_8168"]}
    ]})";
  Plan plan = MakePlan(profile, "adapters");
  std::string text;
  for (const auto& adapter : plan.adapters) {
    text += adapter.adapter + ": " + adapter.outcome + ", " + adapter.why + "\n";
  }
  EXPECT_EQ(text,
            "USB Ethernet: skipped, not a PCI device (enumerator USB)\n"
            "Killer Wireless-AC 1550: skipped, wireless: its description names a wireless "
            "adapter\n"
            "Network Controller: skipped, wireless: class code 0280 in its hardware IDs "
            "(PCI\\VEN_8086&CC_028000)\n"
            "Ethernet I219-LM: configured, power management turned on through WMI (3 settings)\n"
            "Ethernet I225-V: configured, WMI refused; PnPCapabilities written\n"
            "Ethernet without a driver key: skipped, its device properties could not be read: "
            "Driver\n");
}

// A notebook profile with the given feature bytes, board, build, Connected Standby and product
// key values (a JSON object's members).
std::string NotebookProfile(const std::string& featureBytes, const std::string& board,
                            const std::string& build, const std::string& standby,
                            const std::string& productKeyValues = "") {
  std::string profile = R"({"profile": 1, "firmware": {"oem_strings": [")";
  profile += featureBytes.empty() ? "BUILDID#20WW;" : "FBYTE#" + featureBytes + ".";
  profile += R"("]}, "power": {"connected_standby": )" + standby + R"(}, "registry": {
      "HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra": {"MachineID": ")" +
             board + "\"" + productKeyValues + R"(},
      "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion":
        {"CurrentBuildNumber": ")" +
             build + R"("}}})";
  return profile;
}

struct ReasonCase {
  const char* name;
  std::string profile;
  const char* decision;  // its id
  const char* line;      // "answer  [because]"
};

class DecisionReason : public ::testing::TestWithParam<ReasonCase> {};

TEST_P(DecisionReason, SaysTheAnswerAndWhatDecidedIt) {
  const ReasonCase& c = GetParam();
  Plan plan = MakePlan(c.profile, c.name);
  std::string line = "(not decided)";
  for (const auto& decision : plan.decisions) {
    if (decision.id == c.decision) line = decision.answerText + "  [" + decision.because + "]";
  }
  EXPECT_EQ(line, c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Plans, DecisionReason,
    ::testing::Values(
        // All three consumer tokens are needed: one is not enough, and the two the commit did
        // not ask about are named too.
        ReasonCase{"one_consumer_token", NotebookProfile("7Kaw", "8A4F", "19042", "false"),
                   "consumer", "no  [7K at 0, 7P absent, 7W absent]"},
        ReasonCase{"consumer_token_off_boundary",
                   NotebookProfile("37KPaw", "8A4F", "19042", "false"), "consumer",
                   "no  [7K absent, 7P absent, 7W absent]"},
        ReasonCase{"no_feature_bytes", NotebookProfile("", "8A4F", "19042", "false"), "notebook",
                   "yes  [no feature bytes: counted as a notebook]"},
        ReasonCase{"build_on_20h2", NotebookProfile("aw", "8A4F", "19042", "false"),
                   "build_20h2_or_later",
                   "yes: SecureBIO left as it is  [build 19042 is at or after 19042]"},
        ReasonCase{"build_before_20h2", NotebookProfile("aw", "8A4F", "19041", "false"),
                   "build_20h2_or_later",
                   "no: SecureBIO turned off  [build 19041 is before 19042]"},
        ReasonCase{"connected_standby_query_fails",
                   NotebookProfile("aw", "8A4F", "19042", "\"error\""), "connected_standby",
                   "no  [the power API's query failed: counted as no]"},
        // The Modern Standby package skip comes from gu with RS3; the generation from the
        // packaged-board list.
        ReasonCase{"gu_on_rs3", NotebookProfile("awgu", "8A4F", "16299", "true"),
                   "build_before_rs3",
                   "no: Modern Standby package skipped  [build 16299 is at or after 16299]"},
        ReasonCase{"gu_before_rs3", NotebookProfile("awgu", "8A4F", "16298", "true"),
                   "platform_2018_and_before",
                   "yes  [gu at 2, build 16298 is before 16299 (RS3): the Modern Standby package "
                   "runs]"},
        ReasonCase{"gu_on_rs3_not_packaged", NotebookProfile("awgu", "8A4F", "16299", "true"),
                   "platform_2018_and_before",
                   "no: 2019 and later  [gu at 2, build 16299 is at or after 16299 (RS3), board "
                   "8A4F is not on the Packaged 2018 list (369E, B6A3, 1C5C, 228B)]"},
        ReasonCase{"no_gu", NotebookProfile("aw", "8A4F", "16299", "true"),
                   "platform_2018_and_before", "yes  [gu absent: the Modern Standby package runs]"},
        ReasonCase{"hibernation_2019_and_later", NotebookProfile("awgu", "8A4F", "19042", "true"),
                   "hibernation_hidden",
                   "no: hibernate never (AC) and after 16 h (DC), AHCI link power Lowest, as on "
                   "platforms of 2019 and later  [a6 absent, a2 absent]"},
        ReasonCase{"hibernation_a2", NotebookProfile("awa2", "8A4F", "19042", "true"),
                   "hibernation_hidden", "yes  [a6 absent, a2 at 2]"},
        ReasonCase{"windows_home", NotebookProfile("awdpat", "8A4F", "19042", "true"),
                   "windows_home",
                   "yes: no password on wake-up  [dp at 2, ar absent, as absent, at at 4]"},
        ReasonCase{"link_power_mode_1", NotebookProfile("aw", "C52D", "19042", "false"),
                   "link_power_mode_1_board",
                   "yes: HIPM/DIPM set to HIPM  [board C52D is on the Link power mode 1 list "
                   "(3F8C, C52D)]"},
        // Without AccelerometerAny the three others are read, all before any is looked at.
        ReasonCase{"accelerometer_6007",
                   NotebookProfile("aw", "8A4F", "19042", "false", R"(, "Accelerometer6007": "1")"),
                   "accelerometer",
                   "yes: closing the lid on battery does nothing  [AccelerometerAny not set, "
                   "Accelerometer not set, Accelerometer6000 not set, Accelerometer6007 \"1\"]"},
        ReasonCase{"no_accelerometer",
                   NotebookProfile("aw", "8A4F", "19042", "false", R"(, "AccelerometerAny": "0")"),
                   "accelerometer",
                   "no: closing the lid on battery sleeps  [AccelerometerAny \"0\", Accelerometer "
                   "not set, Accelerometer6000 not set, Accelerometer6007 not set]"}),
    [](const auto& info) { return std::string(info.param.name); });

// The usage of every command, or of the one named, from the front end's table; a command's help
// goes on with what it does and its options.
TEST(ToolHelpTest, HelpPrintsTheUsageForTheToolAndEachCommand) {
  const struct {
    std::vector<std::string> arguments;
    std::string start;
  } cases[] = {
      {{"--help"},
       "usage: presetra commit [uninstall] [--machine FILE] [--image PATH] [--schemes] [--state] "
       "[--values LIST]\n       presetra uninstall "},
      {{"plan", "--help"},
       "usage: presetra plan [--machine FILE] [--image PATH] [--format text|json]\n\nWhat the "
       "machine gets"},
      {{"matrix", "examples", "-h"},
       "usage: presetra matrix DIR|FILE... [--format markdown|csv] [--image PATH] [--jobs N] "
       "[--diff OTHER_DIR|FILE...]\n\n"},
      {{"wmiparams", "/?"},
       "usage: presetra wmiparams decode FILE [--map]\n       presetra wmiparams encode "
       "FILE.json OUT [--map]\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.front());
    Result result = RunTool(c.arguments);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out.substr(0, c.start.size()), c.start);
  }
  // Each option of a command is on its help, with what it does.
  const Result matrix = RunTool({"matrix", "--help"});
  EXPECT_NE(matrix.out.find("\n  --jobs N                  plan on N threads (by default one per "
                            "core)\n"),
            std::string::npos)
      << matrix.out;
}

struct UsageCase {
  std::vector<std::string> arguments;
  const char* error;
};

class ToolUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(ToolUsage, IsRefusedWithStatus2) {
  Result result = RunTool(GetParam().arguments);
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err.substr(0, result.err.find('\n')), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    PlanAndMatrix, ToolUsage,
    ::testing::Values(UsageCase{{"plan", "--format", "xml"},
                                "presetra plan: --format \"xml\": expected text or json"},
                      UsageCase{{"plan", "--machine"},
                                "presetra plan: unknown or incomplete argument \"--machine\""},
                      UsageCase{{"plan", "--machine", "/nonexistent/machine.json"},
                                "presetra: /nonexistent/machine.json: no such file"},
                      UsageCase{{"matrix"}, "presetra matrix: no profiles given"},
                      UsageCase{{"matrix", "examples", "--diff"},
                                "presetra matrix: --diff needs profiles"},
                      UsageCase{{"matrix", "examples", "--format", "html"},
                                "presetra matrix: --format \"html\": expected markdown or csv"},
                      UsageCase{{"matrix", "examples", "--format"},
                                "presetra matrix: unknown or incomplete argument \"--format\""},
                      UsageCase{{"machine", "--board"},
                                "presetra machine: unknown or incomplete argument \"--board\""},
                      UsageCase{{"commit", "install"},
                                "presetra commit: unknown or incomplete argument \"install\""},
                      UsageCase{{"plan", "examples/notebook.json"},
                                "presetra plan: unknown or incomplete argument "
                                "\"examples/notebook.json\""},
                      UsageCase{{"install"}, "presetra: unknown command \"install\""},
                      UsageCase{{}, "presetra: no command given"}),
    // The arguments, as a test name: "plan_format_xml".
    [](const auto& info) {
      std::string name;
      for (const auto& argument : info.param.arguments) {
        if (!name.empty()) name += '_';
        for (char c : argument) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      }
      return name + "_" + std::to_string(info.index);
    });

}  // namespace
}  // namespace presetra::cli
