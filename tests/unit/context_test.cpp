// The free helpers of the installer context.
#include <gtest/gtest.h>

#include "host/installer.h"
#include "test_machine.h"

namespace presetra {
namespace {

using testing::MachineFrom;

TEST(CreateDirectoryTreeTest, CreatesEachFolderBelowTheDrive) {
  auto machine = MachineFrom();
  EXPECT_TRUE(CreateDirectoryTree(machine->files(), u"C:\\System.sav\\LOGS\\OSIT\\"));
  EXPECT_TRUE(machine->files().IsFolder(u"C:\\System.sav\\LOGS\\OSIT"));
  // A path that starts with a separator asks for the empty path first, which fails harmlessly.
  EXPECT_FALSE(CreateDirectoryTree(machine->files(), u"\\relative\\x"));
  EXPECT_TRUE(CreateDirectoryTree(machine->files(), u"C:/a/b"));
  EXPECT_TRUE(machine->files().IsFolder(u"C:\\a\\b"));
}

TEST(CreateDirectoryTreeTest, AcceptsTwoHundredSixtyCharactersAndNoMore) {
  auto machine = MachineFrom();
  WString base = u"C:\\d\\";
  WString exactly260 = base + WString(260 - base.size(), u'x');
  WString over = base + WString(261 - base.size(), u'y');
  ASSERT_EQ(exactly260.size(), 260u);
  EXPECT_TRUE(CreateDirectoryTree(machine->files(), exactly260));
  EXPECT_FALSE(CreateDirectoryTree(machine->files(), over));
  EXPECT_FALSE(machine->files().IsFolder(u"C:\\d\\yy")) << "a refused path creates nothing";
  EXPECT_FALSE(machine->files().IsFolder(over));
}

TEST(ReadRegistryStringTest, AcceptsStringsOnly) {
  auto machine = MachineFrom(R"("registry": {"HKLM\\SOFTWARE\\WOW6432Node\\T": {
      "Sz": "62E6",
      "NoNul": {"type": "REG_SZ", "data": "1.0", "nul": false},
      "Expand": {"type": "REG_EXPAND_SZ", "data": "%SystemRoot%\\x"},
      "Dword": 1,
      "Empty": {"type": "REG_SZ", "data": "", "nul": false},
      "Odd": {"type": "REG_BINARY", "data": "41"},
      "Inner": {"type": "REG_SZ", "data": "a\u0000b"}}})");
  struct Case {
    const char16_t* name;
    WString value;
  } cases[] = {
      {u"Sz", u"62E6"}, {u"NoNul", u"1.0"}, {u"Expand", u"%SystemRoot%\\x"}, {u"Dword", u""},
      {u"Empty", u""},  {u"Odd", u""},      {u"Inner", WString(u"a\0b", 3)}, {u"Missing", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    EXPECT_EQ(ReadRegistryString(machine->registry(), u"Software\\T", c.name), c.value)
        << Utf16ToUtf8(c.name);
  }
  // The module's own view is the 32-bit one.
  EXPECT_EQ(ReadRegistryString(machine->registry(), u"SOFTWARE\\WOW6432Node\\T", u"Sz"), u"62E6");
  EXPECT_EQ(machine->registry().OpenKeyCount(), 0u);
}

TEST(ReadRegistryStringTest, AnyFailingStepGivesTheEmptyString) {
  for (auto call : {sim::Call::kRegOpenKey, sim::Call::kRegQueryValue}) {
    auto machine = MachineFrom(R"("registry": {"HKLM\\SOFTWARE\\WOW6432Node\\T": {"Sz": "x"}})");
    machine->faults().FailEvery(call);
    EXPECT_EQ(ReadRegistryString(machine->registry(), u"Software\\T", u"Sz"), u"");
    EXPECT_EQ(machine->registry().OpenKeyCount(), 0u);
  }
}

TEST(QuotePathTest, QuotesOnce) {
  EXPECT_EQ(QuotePath(u""), u"");
  EXPECT_EQ(QuotePath(u"C:\\a b\\x.cmd"), u"\"C:\\a b\\x.cmd\"");
  EXPECT_EQ(QuotePath(u"\"C:\\quoted\""), u"\"C:\\quoted\"");
  EXPECT_EQ(QuotePath(u"\"unclosed"), u"\"unclosed");
}

TEST(SetContextNamesTest, NamesTheProductAndItsPlaces) {
  auto machine = MachineFrom();
  CMSIInstaller installer(*machine);
  SetContextNames(installer);
  const InstallerContext& context = installer.Context();
  EXPECT_EQ(context.productName, u"Presetra");
  EXPECT_EQ(context.logFileName, u"Presetra.log");
  EXPECT_EQ(context.installDir, u"C:\\Program Files (x86)\\Vorlan\\Presetra\\");
  EXPECT_EQ(context.registryKey, u"Software\\Vorlan\\Presetra");
}

}  // namespace
}  // namespace presetra
