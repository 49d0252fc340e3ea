// The log file's bytes and the choice of its folder.
#include <gtest/gtest.h>

#include "host/installer.h"
#include "test_machine.h"

namespace presetra {
namespace {

using testing::kOsitLog;
using testing::LogTexts;
using testing::MachineFrom;

std::vector<std::uint8_t> Utf16Le(WStringView text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

TEST(LogTest, WritesUtf16LinesWithStampTabAndCrLf) {
  auto machine = MachineFrom(R"("factory_folder": "present")");
  CMSIInstaller installer(*machine);
  installer.Context().logFileName = u"Presetra.log";
  installer.SelectLogPath();
  machine->clock().Set(9, 5, 3, 7);
  installer.Log(u"Machine ID = 62E6");
  installer.Log(u"two\nlines");
  // A wide "%s" ends at the first NUL: a line feed after it is not written, nor made room for.
  installer.Log(WStringView(u"Caf\u00E9\0\nhidden", 12));

  std::vector<std::uint8_t> expected = {0xFF, 0xFE};
  for (WStringView line : {u"09:05:03:007\tMachine ID = 62E6\r\n",
                           u"09:05:03:008\ttwo\r\nlines\r\n", u"09:05:03:009\tCaf\u00E9\r\n"}) {
    const auto bytes = Utf16Le(line);
    expected.insert(expected.end(), bytes.begin(), bytes.end());
  }
  EXPECT_EQ(machine->files().ReadFile(kOsitLog), expected);
}

TEST(LogTest, AppendsToAnExistingLogWithoutASecondMark) {
  auto machine = MachineFrom(R"("factory_folder": "present")");
  auto earlier = Utf16Le(u"\uFEFF07:00:00:000\tearlier run\r\n");
  machine->files().AddFile(kOsitLog, earlier);
  CMSIInstaller installer(*machine);
  installer.Context().logFileName = u"Presetra.log";
  installer.SelectLogPath();
  machine->clock().Set(23, 59, 59, 999);
  installer.Log(u"later");
  auto expected = earlier;
  auto line = Utf16Le(u"23:59:59:999\tlater\r\n");
  expected.insert(expected.end(), line.begin(), line.end());
  EXPECT_EQ(machine->files().ReadFile(kOsitLog), expected);
}

TEST(LogTest, WritesNothingWithoutAPathOrAFileItCanOpen) {
  auto machine = MachineFrom(R"("factory_folder": "present")");
  CMSIInstaller installer(*machine);
  installer.Log(u"before the path is chosen");
  installer.Context().logFileName = u"Presetra.log";
  // Nor is there an install folder to fall back on.
  machine->faults().FailEvery(sim::Call::kFileOpen);
  installer.SelectLogPath();
  installer.Log(u"cannot open");
  EXPECT_FALSE(machine->files().ReadFile(kOsitLog).has_value()) << machine->Dump();
}

// A write that fails cannot be a reader's lock (the log is open to the action alone): the rest
// of the log goes to the install folder, which says why first. Where the log is there already,
// the line is lost and the next one tries again, the byte order mark still owed to the file.
TEST(LogTest, AFailedWriteMovesTheLogOrKeepsTheMarkOwed) {
  const WString installLog = u"C:\\Program Files (x86)\\Vorlan\\Presetra\\Presetra.log";
  struct Case {
    const char* name;
    std::string profile;
    bool failCreation;
    std::vector<std::string> factoryLines;
    std::vector<std::string> installLines;
  } cases[] = {
      {"in the factory folder",
       R"("factory_folder": "present")",
       false,
       {},
       {"Log folder C:\\System.sav\\LOGS\\OSIT\\ not used: writing to "
        "C:\\System.sav\\LOGS\\OSIT\\Presetra.log failed",
        "two", "three"}},
      {"in the install folder", "", true, {}, {"three"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto machine = MachineFrom(c.profile);
    if (c.failCreation) machine->faults().FailEvery(sim::Call::kCreateDirectory);
    CAdvInstaller installer(*machine);
    SetContextNames(installer);
    installer.SelectLogPath();
    // The first write to the new file fails.
    machine->faults().FailNthCall(1);
    installer.Log(u"two");
    installer.Log(u"three");
    EXPECT_EQ(installer.Context().logPath, installLog);
    EXPECT_EQ(LogTexts(*machine, kOsitLog), c.factoryLines);
    EXPECT_EQ(LogTexts(*machine, installLog), c.installLines);
    const auto bytes = machine->files().ReadFile(installLog).value_or(std::vector<std::uint8_t>{});
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
  }
}

// Where the factory folder is refused and there is no install folder, nothing is logged: a
// bare file name would land in whatever folder is current.
TEST(SelectLogPathTest, NoInstallFolderAndTheFactoryFolderRefusedLogsNothing) {
  auto machine = MachineFrom(R"("factory_folder": "user_owned")");
  machine->shell().programFilesFolder.clear();
  CAdvInstaller installer(*machine);
  SetContextNames(installer);
  ASSERT_TRUE(installer.Context().installDir.empty());
  installer.SelectLogPath();
  installer.Log(u"L");
  EXPECT_EQ(installer.Context().logPath, u"");
  for (const WString& path : machine->files().Below(u"C:")) {
    EXPECT_FALSE(EndsWithIgnoringCase(path, u"Presetra.log")) << Utf16ToUtf8(path);
  }
}

TEST(SelectLogPathTest, TakesTheFirstFolderThatWorks) {
  const WString installDirLog = u"C:\\Program Files (x86)\\Vorlan\\Presetra\\Presetra.log";
  struct Case {
    const char* name;
    std::string profile;
    std::vector<const char16_t*> extraFolders;  // read-only
    const char16_t* existingLog;                // a log left by an earlier run
    bool failCreation;
    WString logPath;
    std::vector<std::string> lines;  // what the first Log call leaves in the file
  } cases[] = {
      {"OSIT folder exists", R"("factory_folder": "present")", {}, nullptr, false, kOsitLog, {"L"}},
      {"nothing there, C: writable", "", {}, nullptr, false, kOsitLog, {"L"}},
      // Nothing can be made in a read-only folder: the log of an earlier run is used.
      {"factory folder read-only with LOGS",
       R"("factory_folder": "read_only")",
       {u"C:\\System.sav\\LOGS"},
       u"C:\\System.sav\\LOGS\\Presetra.log",
       false,
       u"C:\\System.sav\\LOGS\\Presetra.log",
       {"L"}},
      {"factory folder read-only",
       R"("factory_folder": "read_only")",
       {},
       u"C:\\System.sav\\Presetra.log",
       false,
       u"C:\\System.sav\\Presetra.log",
       {"L"}},
      // ... or, with none, the install folder, where the log says why.
      {"factory folder read-only, no log there",
       R"("factory_folder": "read_only")",
       {},
       nullptr,
       false,
       installDirLog,
       {"Log folder C:\\System.sav\\ not used: C:\\System.sav\\Presetra.log cannot be opened",
        "L"}},
      {"no folder can be made", "", {}, nullptr, true, installDirLog, {"L"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    auto machine = MachineFrom(c.profile);
    if (c.existingLog != nullptr) machine->files().AddFile(c.existingLog);
    for (auto folder : c.extraFolders) {
      machine->files().AddFolder(folder);
      machine->files().MakeReadOnly(folder);
    }
    if (c.failCreation) machine->faults().FailEvery(sim::Call::kCreateDirectory);
    CAdvInstaller installer(*machine);
    SetContextNames(installer);
    installer.SelectLogPath();
    installer.Log(u"L");
    EXPECT_EQ(installer.Context().logPath, c.logPath) << c.name;
    EXPECT_EQ(LogTexts(*machine, c.logPath), c.lines) << c.name;
  }
}

}  // namespace
}  // namespace presetra
