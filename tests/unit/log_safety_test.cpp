// The log runs as SYSTEM in a folder that standard users may have made or changed: whatever
// they plant there (a folder of their own, a junction, a symbolic or hard link, a link swapped
// in while the action runs) must not steer where SYSTEM writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>

#include "module/loaded_module.h"
#include "test_machine.h"

namespace presetra {
namespace {

using testing::kOsitLog;
using testing::LogTexts;

const WString kInstallLog = u"C:\\Program Files (x86)\\Vorlan\\Presetra\\Presetra.log";
const WString kOtherFile = u"C:\\Windows\\win.ini";
const std::vector<std::uint8_t> kOtherBytes = {'[', 'f', 'o', 'n', 't', 's', ']'};

std::string ExampleWith(const std::string& factoryFolder) {
  std::ifstream file(std::string(PRESETRA_EXAMPLES_DIR) + "/notebook.json");
  std::ostringstream text;
  text << file.rdbuf();
  std::string json = text.str();
  const std::string field = "\"factory_folder\": \"present\"";
  json.replace(json.find(field), field.size(), "\"factory_folder\": \"" + factoryFolder + "\"");
  return json;
}

struct CommitRun {
  std::unique_ptr<sim::Machine> machine;
  WString logPath;
  std::uint64_t opens = 0;
};

CommitRun Commit(const std::string& factoryFolder,
                 const std::function<void(sim::Machine&)>& plant) {
  CommitRun run;
  run.machine = std::make_unique<sim::Machine>(machine::ParseProfile(ExampleWith(factoryFolder)));
  run.machine->files().AddFile(kOtherFile, kOtherBytes);
  if (plant) plant(*run.machine);
  const std::uint64_t opensBefore = run.machine->files().OpenCount();
  LoadedModule module(*run.machine);
  module.Commit(1);
  run.logPath = module.Installer()->Context().logPath;
  run.opens = run.machine->files().OpenCount() - opensBefore;
  return run;
}

TEST(LogSafetyTest, NothingAStandardUserPlantsSteersTheLog) {
  const CommitRun reference = Commit("present", nullptr);
  const std::vector<std::string> clean = LogTexts(*reference.machine, reference.logPath);
  ASSERT_EQ(reference.logPath, kOsitLog);
  ASSERT_GT(clean.size(), 50u);

  const WString osit = u"C:\\System.sav\\LOGS\\OSIT";
  struct Case {
    const char* name;
    std::string factoryFolder;
    std::function<void(sim::Machine&)> plant;
    std::string refusal;  // the log's first line when the factory folder is refused
    WString untouched;    // a folder that must stay empty, or a file that must keep its bytes
    std::string scriptOutput = "";  // the line before the script runs, when its output moves
  } cases[] = {
      {"absent: made, and ours", "absent", nullptr, "", kOtherFile},
      {"present, made by an administrator", "present", nullptr, "", kOtherFile},
      {"made by a standard user", "user_owned", nullptr,
       "Log folder C:\\System.sav\\LOGS\\OSIT\\ not used: C:\\System.sav belongs to another user",
       kOtherFile,
       "Script output goes to C:\\Program Files (x86)\\Vorlan\\Presetra\\Presetra_BIOS.log: "
       "c:\\system.sav belongs to another user"},
      {"OSIT a junction to the system folder", "present",
       [&](sim::Machine& m) { m.files().AddLink(osit, u"C:\\Windows\\System32"); },
       "Log folder C:\\System.sav\\LOGS\\OSIT\\ not used: C:\\System.sav\\LOGS\\OSIT is a link",
       u"C:\\Windows\\System32\\Presetra.log",
       "Script output goes to C:\\Program Files (x86)\\Vorlan\\Presetra\\Presetra_BIOS.log: "
       "c:\\system.sav\\logs\\osit is a link"},
      {"the profile's junction", "linked", nullptr,
       "Log folder C:\\System.sav\\LOGS\\OSIT\\ not used: C:\\System.sav\\LOGS\\OSIT is a link",
       u"C:\\Users\\Public\\Linked",
       "Script output goes to C:\\Program Files (x86)\\Vorlan\\Presetra\\Presetra_BIOS.log: "
       "c:\\system.sav\\logs\\osit is a link"},
      // A folder where the script's output file would be: the script still runs.
      {"a folder named like the script's output", "present",
       [&](sim::Machine& m) {
         m.files().AddFolder(osit + u"\\Presetra_BIOS.log", platform::Owner::kOther);
       },
       "", kOtherFile,
       "Script output not written: c:\\system.sav\\logs\\osit\\Presetra_BIOS.log cannot be opened"},
      {"the log a symbolic link to another file", "present",
       [&](sim::Machine& m) { m.files().AddLink(kOsitLog, kOtherFile); },
       "Log folder C:\\System.sav\\LOGS\\OSIT\\ not used: "
       "C:\\System.sav\\LOGS\\OSIT\\Presetra.log is a link",
       kOtherFile},
      {"the log a hard link to another file", "present",
       [&](sim::Machine& m) { m.files().AddHardLink(kOsitLog, kOtherFile); },
       "Log folder C:\\System.sav\\LOGS\\OSIT\\ not used: "
       "C:\\System.sav\\LOGS\\OSIT\\Presetra.log is a hard link",
       kOtherFile},
      // Once open, the log stays the file it was: a name swapped later changes nothing.
      {"the log swapped for a link after it was opened", "present",
       [&](sim::Machine& m) { m.files().LinkAfterOpens(1, kOsitLog, kOtherFile); }, "", kOtherFile},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const CommitRun run = Commit(c.factoryFolder, c.plant);
    sim::Machine& machine = *run.machine;
    std::vector<std::string> expected = clean;
    if (!c.scriptOutput.empty()) {
      expected.insert(std::find(expected.begin(), expected.end(), "TARN BIOS Process"),
                      c.scriptOutput);
    }
    if (!c.refusal.empty()) expected.insert(expected.begin(), c.refusal);
    EXPECT_EQ(run.logPath, c.refusal.empty() ? kOsitLog : kInstallLog);
    if (c.name != std::string("the log swapped for a link after it was opened")) {
      EXPECT_EQ(LogTexts(machine, run.logPath), expected) << machine.Dump();
    }
    // The log is opened once for the action (and once more in the install folder when the
    // factory log itself is refused); the script's output file once, or twice when it moves.
    const bool logFileRefused = c.refusal.find("Presetra.log is") != std::string::npos;
    EXPECT_EQ(run.opens, logFileRefused ? 3u : 2u);
    const auto& scriptRun =
        *std::find_if(machine.processes().Runs().begin(), machine.processes().Runs().end(),
                      [](const sim::ProgramRun& r) { return !r.script.empty(); });
    EXPECT_TRUE(scriptRun.scriptRan) << "the BIOS script runs whatever was planted";
    EXPECT_EQ(machine.files().HeldFolderCount(), 0u);
    if (machine.files().IsFolder(c.untouched)) {
      EXPECT_EQ(machine.files().Below(c.untouched), std::vector<WString>{c.untouched})
          << machine.Dump();
    } else {
      EXPECT_EQ(machine.files().ReadFile(c.untouched).value_or(std::vector<std::uint8_t>{}),
                c.untouched == kOtherFile ? kOtherBytes : std::vector<std::uint8_t>{})
          << machine.Dump();
    }
  }
}

// Folders the action makes are its own: nobody else owns them, so nobody else can have put a
// link in them.
TEST(LogSafetyTest, FoldersItMakesAreOwnedByTheSystem) {
  const CommitRun run = Commit("absent", nullptr);
  for (const char16_t* folder :
       {u"C:\\System.sav", u"C:\\System.sav\\LOGS", u"C:\\System.sav\\LOGS\\OSIT"}) {
    auto held = run.machine->files().HoldFolder(folder);
    ASSERT_NE(held, nullptr) << Utf16ToUtf8(folder);
    EXPECT_EQ(held->Facts().owner, platform::Owner::kSystem) << Utf16ToUtf8(folder);
  }
}

}  // namespace
}  // namespace presetra
