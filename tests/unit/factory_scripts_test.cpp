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
    PolicyFixture fixture("\"power\": " + c.power);
    fixture.policy().SetBuildNumber(Utf8ToUtf16(c.build));
    fixture.policy().RunBiosScript();
    const std::string arguments =
        " " + c.build + " " + c.flag + " >> \"c:\\system.sav\\logs\\osit\\Presetra_BIOS.log\"";
    EXPECT_EQ(fixture.RecipeLog(),
              (std::vector<std::string>{"Start calling Tarn BIOS", "All commands:",
                                        "Data Files\\TBIOS.cmd", arguments, "TARN BIOS Process"}));
    const auto& run = fixture.machine->processes().Runs().back();
    EXPECT_EQ(Utf16ToUtf8(run.commandLine), kScripts + "TBIOS.cmd\" " + arguments);
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
    EXPECT_EQ(Utf16ToUtf8(fixture.machine->processes().Runs().back().commandLine),
              kScripts + "MSD.cmd\" " + arguments);
  }
}

TEST(FactoryScriptsTest, AMissingRedirectFolderStopsTheInterpreterNotTheInstall) {
  // The main log falls back to the install folder; the redirection still names the factory
  // folder, which does not exist, so the interpreter fails before the script runs.
  PolicyFixture fixture("");
  fixture.machine->files().Remove(u"C:\\System.sav");
  fixture.policy().SetBuildNumber(u"19041");
  fixture.policy().RunBiosScript();
  const auto& run = fixture.machine->processes().Runs().back();
  EXPECT_FALSE(run.scriptRan);
  EXPECT_EQ(run.exitCode, 1u);
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
