// The two factory script steps: their log lines, command lines and redirected output logs.
#include <gtest/gtest.h>

#include "policy_fixture.h"

namespace presetra {
namespace {

using testing::PolicyFixture;

const std::string kScripts = "\"C:\\Program Files (x86)\\Vorlan\\Presetra\\Data Files\\";

TEST(FactoryScriptsTest, BiosScriptPassesTheBuildAndConnectedStandby) {
  struct Case {
    std::string power;
    std::string build;
    std::string flag;
  } cases[] = {
      {R"({"connected_standby": false})", "19041", "false"},
      {R"({"connected_standby": true})", "19041", "true"},
      {R"({"connected_standby": "error"})", "16299", "false"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    PolicyFixture fixture("\"power\": " + c.power);
    fixture.policy().SetBuildNumber(Utf8ToUtf16(c.build));
    fixture.policy().RunBiosScript();
    const std::string arguments =
        " " + c.build + " " + c.flag + " >> \"c:\\system.sav\\logs\\osit\\Presetra_BIOS.log\"";
    EXPECT_EQ(fixture.RecipeLog(),
              (std::vector<std::string>{"Start calling Tarn BIOS", "All commands:",
                                        "Data Files\\TBIOS.cmd", arguments, "TARN BIOS Process"}));
    // The interpreter runs the script; the output file is the library's, opened before.
    const auto& run = fixture.machine->processes().Runs().back();
    EXPECT_EQ(Utf16ToUtf8(run.scriptCommandLine),
              kScripts + "TBIOS.cmd\" " + " " + c.build + " " + c.flag);
    EXPECT_EQ(Utf16ToUtf8(run.redirectedTo), "c:\\system.sav\\logs\\osit\\Presetra_BIOS.log");
    EXPECT_TRUE(run.scriptRan);
    EXPECT_TRUE(fixture.machine->files().IsFile(u"C:\\System.sav\\LOGS\\OSIT\\Presetra_BIOS.log"));
  }
}

TEST(FactoryScriptsTest, BiosScriptNeedsTheBuildNumber) {
  PolicyFixture fixture("");
  fixture.policy().SetBuildNumber(u"");
  fixture.policy().RunBiosScript();
  EXPECT_EQ(fixture.RecipeLog(),
            std::vector<std::string>{"Error! Fail to get Windows version number!"});
  EXPECT_TRUE(fixture.machine->processes().Runs().empty());
}

TEST(FactoryScriptsTest, ModernStandbyPackageRunsEvenWithoutABuildNumber) {
  for (std::string build : {"15063", ""}) {
    PolicyFixture fixture("");
    fixture.policy().SetBuildNumber(Utf8ToUtf16(build));
    fixture.policy().RunModernStandbyPackage();
    const std::string arguments =
        " " + build + " >> \"c:\\system.sav\\logs\\osit\\Presetra_MSD.log\"";
    EXPECT_EQ(fixture.RecipeLog(),
              (std::vector<std::string>{"Start Setting Modern Standby Disconnected",
                                        "All commands:", "Data Files\\MSD.cmd", arguments,
                                        "Connected Standby ppkg update"}));
    const auto& run = fixture.machine->processes().Runs().back();
    EXPECT_EQ(Utf16ToUtf8(run.scriptCommandLine), kScripts + "MSD.cmd\" " + " " + build);
    EXPECT_EQ(Utf16ToUtf8(run.redirectedTo), "c:\\system.sav\\logs\\osit\\Presetra_MSD.log");
  }
}

TEST(FactoryScriptsTest, AnOutputFileThatFailsTheChecksIsNotWrittenAndTheScriptStillRuns) {
  // A user made the output file another name of a file SYSTEM would never write.
  PolicyFixture fixture("");
  fixture.machine->files().AddFile(u"C:\\Windows\\win.ini", {'x'});
  fixture.machine->files().AddHardLink(u"C:\\System.sav\\LOGS\\OSIT\\Presetra_BIOS.log",
                                       u"C:\\Windows\\win.ini");
  fixture.policy().SetBuildNumber(u"19041");
  fixture.policy().RunBiosScript();
  const auto log = fixture.RecipeLog();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(
      log[log.size() - 2],
      "Script output not written: c:\\system.sav\\logs\\osit\\Presetra_BIOS.log is a hard link");
  EXPECT_EQ(log.back(), "TARN BIOS Process");
  const auto& run = fixture.machine->processes().Runs().back();
  EXPECT_TRUE(run.scriptRan);
  EXPECT_EQ(run.redirectedTo, u"");
  EXPECT_EQ(fixture.machine->files().ReadFile(u"C:\\Windows\\win.ini"),
            std::vector<std::uint8_t>{'x'});
}

TEST(FactoryScriptsTest, MissingScriptsAreReportedAndPassedOver) {
  PolicyFixture fixture(R"("package_scripts": "absent")");
  fixture.policy().SetBuildNumber(u"19041");
  fixture.policy().RunBiosScript();
  auto log = fixture.RecipeLog();
  EXPECT_EQ(
      std::vector<std::string>(log.end() - 2, log.end()),
      (std::vector<std::string>{"TARN BIOS Process", "ERROR: Unable to launch last command"}));
}

}  // namespace
}  // namespace presetra
