// The log file's bytes and the choice of its folder.
#include <gtest/gtest.h>

#include "host/installer.h"
#include "test_machine.h"

namespace presetra {
namespace {

using testing::kOsitLog;
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

  std::vector<std::uint8_t> expected = {0xFF, 0xFE};
  auto line1 = Utf16Le(u"09:05:03:007\tMachine ID = 62E6\r\n");
  auto line2 = Utf16Le(u"09:05:03:008\ttwo\r\nlines\r\n");
  expected.insert(expected.end(), line1.begin(), line1.end());
  expected.insert(expected.end(), line2.begin(), line2.end());
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

TEST(LogTest, WritesNothingWithoutAPathOrAWritableFile) {
  auto machine = MachineFrom(R"("factory_folder": "present")");
  CMSIInstaller installer(*machine);
  installer.Log(u"before the path is chosen");
  installer.Context().logFileName = u"Presetra.log";
  installer.SelectLogPath();
  machine->faults().FailEvery(sim::Call::kFileOpen);
  installer.Log(u"cannot open");
  EXPECT_FALSE(machine->files().ReadFile(kOsitLog).has_value());
}

TEST(SelectLogPathTest, TakesTheFirstFolderThatWorks) {
  struct Case {
    const char* name;
    std::string profile;
    std::vector<const char16_t*> extraFolders;
    bool failCreation;
    const char16_t* logPath;
  } cases[] = {
      {"OSIT folder exists", R"("factory_folder": "present")", {}, false, kOsitLog.c_str()},
      {"nothing there, C: writable", "", {}, false, kOsitLog.c_str()},
      {"factory folder read-only with LOGS",
       R"("factory_folder": "read_only")",
       {u"C:\\System.sav\\LOGS"},
       false,
       u"C:\\System.sav\\LOGS\\Presetra.log"},
      {"factory folder read-only",
       R"("factory_folder": "read_only")",
       {},
       false,
       u"C:\\System.sav\\Presetra.log"},
      {"no folder can be made",
       "",
       {},
       true,
       u"C:\\Program Files (x86)\\Vorlan\\Presetra\\Presetra.log"},
  };
  for (const auto& c : cases) {
    auto machine = MachineFrom(c.profile);
    for (auto folder : c.extraFolders) {
      machine->files().AddFolder(folder);
      machine->files().MakeReadOnly(folder);
    }
    if (c.failCreation) machine->faults().FailEvery(sim::Call::kCreateDirectory);
    CAdvInstaller installer(*machine);
    SetContextNames(installer);
    installer.SelectLogPath();
    EXPECT_EQ(installer.Context().logPath, c.logPath) << c.name;
  }
}

}  // namespace
}  // namespace presetra
