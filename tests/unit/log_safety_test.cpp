// The log runs as SYSTEM in a folder that standard users may have made or changed: whatever
// they plant there (a folder of their own, a junction, a symbolic or hard link, a link swapped
// in while the action runs) must not steer where SYSTEM writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>

#include "machine/layout.h"
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
      // A junction in place of the factory folder itself: nothing is made through it.
      {"the factory folder a user's junction", "linked_root", nullptr,
       "Log folder C:\\System.sav\\LOGS\\OSIT\\ not used: C:\\System.sav is a link",
       machine::kUsersFolder,
       "Script output goes to C:\\Program Files (x86)\\Vorlan\\Presetra\\Presetra_BIOS.log: "
       "c:\\system.sav is a link"},
      // The usual factory folder: writable by every user, and still the log's.
      {"folders every user may change", "users_can_write", nullptr, "", kOtherFile},
      {"an owner that cannot be read", "present",
       [&](sim::Machine& m) { m.files().AddFolder(u"C:\\System.sav", platform::Owner::kUnknown); },
       "Log folder C:\\System.sav\\LOGS\\OSIT\\ not used: C:\\System.sav has an owner that "
       "cannot be read",
       kOtherFile,
       "Script output goes to C:\\Program Files (x86)\\Vorlan\\Presetra\\Presetra_BIOS.log: "
       "c:\\system.sav has an owner that cannot be read"},
      {"a log planted by a user", "users_can_write",
       [&](sim::Machine& m) { ASSERT_TRUE(m.files().UserMakeFile(kOsitLog)); },
       "Log folder C:\\System.sav\\LOGS\\OSIT\\ not used: "
       "C:\\System.sav\\LOGS\\OSIT\\Presetra.log belongs to another user",
       kOtherFile},
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
    const bool logFileRefused = c.refusal.find("Presetra.log ") != std::string::npos;
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

// What a standard user does to the factory folder, tried before every file-system call of the
// commit in turn: each is what Windows lets them do at that moment, or nothing.
TEST(LogSafetyTest, NoMomentOfTheCommitLetsAUserSteerWhatSystemMakes) {
  const WString sav = machine::kFactoryFolder;
  const WString logs = machine::kLogsFolder;
  const WString osit = machine::kLogFolder;
  const WString linked = machine::kUsersFolder;
  struct Attack {
    const char* name;
    std::function<void(sim::FileSystem&)> act;
  } attacks[] = {
      {"the factory folder made a junction",
       [&](sim::FileSystem& f) { (void)f.UserMakeJunction(sav, linked); }},
      {"LOGS renamed away, a junction in its place",
       [&](sim::FileSystem& f) { (void)(f.UserRemove(logs) && f.UserMakeJunction(logs, linked)); }},
      {"OSIT made a junction", [&](sim::FileSystem& f) { (void)f.UserMakeJunction(osit, linked); }},
      {"OSIT renamed away, a junction in its place",
       [&](sim::FileSystem& f) { (void)(f.UserRemove(osit) && f.UserMakeJunction(osit, linked)); }},
      {"OSIT held open to be changed", [&](sim::FileSystem& f) { (void)f.UserOpenToChange(osit); }},
      {"the log a hard link to another file",
       [&](sim::FileSystem& f) { (void)f.UserHardLink(kOsitLog, kOtherFile); }},
      {"the script's output a hard link to another file",
       [&](sim::FileSystem& f) {
         (void)f.UserHardLink(osit + u"\\Presetra_BIOS.log", kOtherFile);
       }},
  };
  // The lines of the action, wherever the log went, without the lines that say where it went.
  auto actionLines = [](const CommitRun& run) {
    std::vector<std::string> lines;
    for (const auto& line : LogTexts(*run.machine, run.logPath)) {
      if (line.rfind("Log folder ", 0) != 0 && line.rfind("Script output ", 0) != 0) {
        lines.push_back(line);
      }
    }
    return lines;
  };
  for (const std::string factoryFolder : {"absent", "present", "users_can_write"}) {
    const auto plantTarget = [&](sim::Machine& m) {
      m.files().AddFolder(linked, platform::Owner::kOther, true);
    };
    const CommitRun clean = Commit(factoryFolder, plantTarget);
    const std::vector<std::string> cleanLines = actionLines(clean);
    ASSERT_EQ(clean.logPath, kOsitLog) << factoryFolder;
    const std::uint64_t calls = clean.machine->files().CallCount();
    // Runs where the user's move was let through and the log went elsewhere: the moves are
    // real ones, not refused by the simulation alone.
    std::size_t moved = 0;
    for (const auto& attack : attacks) {
      for (std::uint64_t n = 1; n <= calls + 1; ++n) {
        SCOPED_TRACE(factoryFolder + ", " + attack.name + " before file-system call " +
                     std::to_string(n));
        const CommitRun run = Commit(factoryFolder, [&](sim::Machine& m) {
          plantTarget(m);
          m.files().BeforeCall(n, attack.act);
        });
        sim::Machine& machine = *run.machine;
        EXPECT_EQ(machine.files().Below(linked), std::vector<WString>{linked}) << machine.Dump();
        EXPECT_EQ(machine.files().ReadFile(kOtherFile), kOtherBytes);
        ASSERT_FALSE(run.logPath.empty());
        EXPECT_EQ(actionLines(run), cleanLines) << Utf16ToUtf8(run.logPath);
        EXPECT_EQ(machine.files().HeldFolderCount(), 0u);
        moved += run.logPath != kOsitLog ? 1 : 0;
        if (::testing::Test::HasFailure()) return;
      }
    }
    // Where an administrator made the folders, a standard user can change nothing in them.
    EXPECT_EQ(moved > 0, factoryFolder != "present") << factoryFolder;
  }
}

// Folders the action makes are its own: nobody else owns them, so nobody else can have put a
// link in them.
TEST(LogSafetyTest, FoldersItMakesAreOwnedByTheSystem) {
  const CommitRun run = Commit("absent", nullptr);
  std::unique_ptr<platform::HeldFolder> held = run.machine->files().HoldRoot(u"C:");
  for (const char16_t* folder : {u"System.sav", u"LOGS", u"OSIT"}) {
    held = held->HoldFolder(folder, false);
    ASSERT_NE(held, nullptr) << Utf16ToUtf8(folder);
    EXPECT_EQ(held->Facts().owner, platform::Owner::kSystem) << Utf16ToUtf8(folder);
    // Made with the protected access list: nobody else may change what is in it.
    EXPECT_FALSE(held->Facts().othersMayChange) << Utf16ToUtf8(folder);
  }
}

}  // namespace
}  // namespace presetra
