// presetra matrix: the example fleet as a table and as a diff, profiles that cannot be planned,
// machines of the same name, and the same table on several threads.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "golden.h"
#include "tests/generated_fleet.h"
#include "tool_runner.h"

namespace presetra::cli {
namespace {

namespace fs = std::filesystem;

using Result = testing::ToolResult;
using testing::Example;
using testing::Folder;
using testing::ReadText;
using testing::Replaced;
using testing::RunTool;
using testing::Write;

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
  EXPECT_EQ(
      result.out,
      "| Machine | Board | Build | Windows' values | Feature bytes | Class | Scheme | Decisions "
      "|\n"
      "|---|---|---|---|---|---|---|---|\n"
      "| DESK2.JSON | 8B2B | 19042 | table | 3X9Z | Desktop, RPOS or thin client | Vorlan "
      "Optimized (recommended) | 20H2+; desktop |\n"
      "| desktop.json | 8B2B | 19042 | table | 3X9Z | Desktop, RPOS or thin client | Vorlan "
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

// Planned on several threads, the table is the one a single thread makes, byte for byte: the
// example fleet and a thousand generated machines (with a profile that cannot be used among
// them, reported in its place), in both formats.
TEST(MatrixTest, OnSeveralThreadsTheTableIsTheSingleThreadedOne) {
  const fs::path generated =
      Folder(testing::UniqueTempPath("generated-fleet").substr(testing::ProcessTempDir().size()));
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
