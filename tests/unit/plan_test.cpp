// presetra plan and presetra matrix: whole expected texts for the example fleet, the reasons an
// adapter is configured or skipped, a changed fleet seen through --diff, and profiles that
// cannot be planned.
#include "cli/plan.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/commands.h"
#include "golden.h"
#include "tests/generated_fleet.h"
#include "tool_runner.h"

namespace presetra::cli {
namespace {

namespace fs = std::filesystem;

using Result = testing::ToolResult;
using testing::Replaced;
using testing::RunTool;

std::string Example(const std::string& name) {
  return std::string(PRESETRA_EXAMPLES_DIR) + "/" + name + ".json";
}

std::string ReadText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// A fresh folder under the test's temporary directory.
fs::path Folder(const std::string& name) {
  fs::path folder = fs::path(::testing::TempDir()) / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

void Write(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

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

TEST(MatrixTest, ProfilesOfTheSameNameAreToldApartByTheirPaths) {
  const fs::path first = Folder("fleet-line-1");
  const fs::path second = Folder("fleet-line-2");
  fs::copy_file(Example("notebook"), first / "unit.json");
  fs::copy_file(Example("desktop"), first / "desktop.json");
  Write(second / "unit.json", Replaced(ReadText(Example("notebook")), "\"E23F\"", "\"8A1F\""));

  Result result = RunTool({"matrix", first.string(), second.string(), "--format", "csv"});
  ASSERT_EQ(result.status, 0) << result.err;
  std::vector<std::string> machines;
  std::istringstream rows(result.out);
  for (std::string row; std::getline(rows, row);) {
    machines.push_back(row.substr(0, row.find(',', row.find(',') + 1)));
  }
  EXPECT_EQ(machines, (std::vector<std::string>{"Machine,Board", "desktop.json,8B2B",
                                                (first / "unit.json").string() + ",E23F",
                                                (second / "unit.json").string() + ",8A1F"}));
}

TEST(MatrixTest, ExampleFleetAsMarkdownAndCsv) {
  Result markdown = RunTool({"matrix", PRESETRA_EXAMPLES_DIR});
  ASSERT_EQ(markdown.status, 0) << markdown.err;
  testing::ExpectGolden("plans/matrix.md", markdown.out);

  Result csv = RunTool(
      {"matrix", Example("consumer"), Example("desktop"), Example("notebook"), "--format", "csv"});
  ASSERT_EQ(csv.status, 0) << csv.err;
  testing::ExpectGolden("plans/matrix.csv", csv.out);
}

TEST(MatrixTest, DiffShowsOnlyWhatAChangedBoardAndFeatureByteChange) {
  fs::path before = Folder("fleet-before");
  fs::path after = Folder("fleet-after");
  for (const char* name : {"notebook", "desktop", "notebook-modern-standby"}) {
    fs::copy_file(Example(name), before / (std::string(name) + ".json"));
  }
  // The notebook moves from the excluded board to a link power mode 1 board; the Modern
  // Standby notebook gains "a6"; the desktop is left alone.
  Write(after / "notebook.json", Replaced(ReadText(Example("notebook")), "\"E23F\"", "\"3F8C\""));
  Write(after / "notebook-modern-standby.json",
        Replaced(ReadText(Example("notebook-modern-standby")), "FBYTE#3XawbTgu.",
                 "FBYTE#3XawbTgua6."));
  fs::copy_file(Example("desktop"), after / "desktop.json");

  Result result = RunTool({"matrix", before.string(), "--diff", after.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "| Machine | What | Before | After |\n"
            "|---|---|---|---|\n"
            "| notebook-modern-standby.json | Feature bytes | 3XawbTgu | 3XawbTgua6 |\n"
            "| notebook-modern-standby.json | Decisions | tablet; pre-20H2; notebook; Quorlin; CS; "
            "gu; RS3+; 2019+ | tablet; pre-20H2; notebook; Quorlin; CS; gu; RS3+; 2019+; a6/a2 "
            "|\n"
            "| notebook-modern-standby.json | Decision: Hibernation never, the setting hidden (a6 "
            "or a2) | no: hibernate never (AC) and after 16 h (DC), AHCI link power Lowest, as on "
            "platforms of 2019 and later | yes |\n"
            "| notebook-modern-standby.json | Hard disk / AHCI Link Power Management - "
            "HIPM/DIPM | Lowest / Lowest | HIPM / HIPM |\n"
            "| notebook-modern-standby.json | Sleep / Hibernate after | Never / 16 h | Never / "
            "Never |\n"
            "| notebook-modern-standby.json | Registry "
            "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Power\\PowerSettings\\238C9FA8-0AAD-41ED-"
            "83F4-97BE242C8F20\\9d7815a6-7ee4-497e-8888-515a05f02364\\Attributes | (none) | "
            "REG_DWORD 1 |\n"
            // The board's link power mode 1 is Windows' own Balanced value: no setting changes,
            // but the decisions say why.
            "| notebook.json | Board | E23F | 3F8C |\n"
            "| notebook.json | Decisions | 20H2+; notebook; no CS; excluded; accelerometer | "
            "20H2+; notebook; no CS; link mode 1; accelerometer |\n"
            "| notebook.json | Board lists | Excluded | Link power mode 1 |\n"
            "| notebook.json | Decision: Board excluded from AHCI link power mode | yes: HIPM/DIPM "
            "left as Balanced has it | no |\n"
            "| notebook.json | Decision: Link power mode 1 board | (none) | yes: HIPM/DIPM set to "
            "HIPM |\n");

  Result same = RunTool({"matrix", before.string(), "--diff", before.string()});
  EXPECT_EQ(same.status, 0);
  EXPECT_EQ(same.out, "No differences: every machine gets the same.\n");
}

TEST(MatrixTest, ProfilesThatCannotBePlannedAreNamedSkippedAndFailTheRun) {
  fs::path folder = Folder("fleet-with-bad-profiles");
  fs::copy_file(Example("desktop"), folder / "desktop.json");
  Write(folder / "broken.json", "{\"profile\": 1,");
  Write(folder / "future.json", "{\"profile\": 2}");
  Write(folder / "notes.txt", "not a profile, not looked at");
  fs::create_directory(folder / "folder.json");
  // Copied from Windows: the extension in upper case is a profile all the same.
  fs::copy_file(Example("desktop"), folder / "DESK2.JSON");
  const std::string missing = (folder / "missing.json").string();
  const fs::path empty = Folder("fleet-empty");

  Result result = RunTool({"matrix", folder.string(), missing, empty.string()});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out,
            "| Machine | Board | Build | Feature bytes | Class | Scheme | Decisions |\n"
            "|---|---|---|---|---|---|---|\n"
            "| DESK2.JSON | 8B2B | 19042 | 3X9Z | Desktop, RPOS or thin client | Vorlan Optimized "
            "(recommended) | 20H2+; desktop |\n"
            "| desktop.json | 8B2B | 19042 | 3X9Z | Desktop, RPOS or thin client | Vorlan "
            "Optimized (recommended) | 20H2+; desktop |\n");
  const std::string dir = folder.string() + "/";
  EXPECT_EQ(result.err,
            "presetra: " + empty.string() + ": no *.json machine profiles in this folder\n" +
                "presetra: " + dir +
                "broken.json: not valid JSON: line 1, column 15: the text ends before the JSON "
                "does: a closing '}', ']' or '\"' is missing; skipped\n" +
                "presetra: " + dir + "folder.json: a folder, not a file; skipped\n" + "presetra: " +
                dir + "future.json: profile: unsupported version (expected 1); skipped\n" +
                "presetra: " + missing + ": no such file; skipped\n");
}

TEST(ToolHelpTest, HelpPrintsTheUsageForTheToolAndEachCommand) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--help"}, std::vector<std::string>{"plan", "--help"},
        std::vector<std::string>{"matrix", "examples", "-h"}}) {
    Result result = RunTool(arguments);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out.rfind(
                  "usage: presetra commit [uninstall] [--machine FILE] [--schemes|--state]\n", 0),
              0u)
        << result.out;
  }
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
                                "presetra matrix: unknown or incomplete argument \"--format\""}),
    // The arguments, as a test name: "plan_format_xml".
    [](const auto& info) {
      std::string name;
      for (const auto& argument : info.param.arguments) {
        if (!name.empty()) name += '_';
        for (char c : argument) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      }
      return name + "_" + std::to_string(info.index);
    });

// Planned on several threads, the table is the one a single thread makes, byte for byte: the
// example fleet and a thousand generated machines (with a profile that cannot be used among
// them, reported in its place), in both formats.
TEST(MatrixTest, OnSeveralThreadsTheTableIsTheSingleThreadedOne) {
  const fs::path generated =
      Folder(testing::UniqueTempPath("generated-fleet").substr(::testing::TempDir().size()));
  const auto profiles = testing::VariedProfiles(1000);
  for (std::size_t i = 0; i < profiles.size(); ++i) {
    std::string name = std::to_string(i);
    name =
        "machine-" + std::string(4 - std::min<std::size_t>(4, name.size()), '0') + name + ".json";
    Write(generated / name, i == 500 ? "{\"profile\": 1, \"power\": 7}" : profiles[i]);
  }
  for (const std::string& fleet : {std::string(PRESETRA_EXAMPLES_DIR), generated.string()}) {
    for (const char* format : {"markdown", "csv"}) {
      const auto single = testing::RunTool({"matrix", fleet, "--format", format, "--jobs", "1"});
      const auto several = testing::RunTool({"matrix", fleet, "--format", format, "--jobs", "3"});
      EXPECT_EQ(several.status, single.status) << fleet;
      EXPECT_EQ(several.err, single.err) << fleet;
      EXPECT_TRUE(several.out == single.out) << fleet << " " << format;
      EXPECT_GT(std::count(single.out.begin(), single.out.end(), '\n'), 8);
    }
  }
  const auto bad = testing::RunTool({"matrix", generated.string(), "--jobs", "1"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.err, "presetra: " + (generated / "machine-0500.json").string() +
                         ": power: expected an object; skipped\n");
  fs::remove_all(generated);
}

TEST(MatrixTest, JobsMustBeACountOfThreads) {
  for (const char* jobs : {"0", "two", "", "10000"}) {
    const auto result = testing::RunTool({"matrix", PRESETRA_EXAMPLES_DIR, "--jobs", jobs});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, std::string("presetra matrix: --jobs \"") + jobs +
                              "\": expected a number of threads, 1 to 9999\n");
  }
}

}  // namespace
}  // namespace presetra::cli
