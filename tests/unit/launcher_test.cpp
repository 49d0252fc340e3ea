// Starting programs: the status line, launch failures and time-outs.
#include <gtest/gtest.h>

#include <algorithm>

#include "host/installer.h"
#include "test_machine.h"

namespace presetra {
namespace {

using testing::kOsitLog;
using testing::LogTexts;
using testing::MachineFrom;

using LauncherTest = testing::InstallerTest;

const WString kSystem = u"C:\\Windows\\system32";

platform::ProcessStart Start(const WString& commandLine) {
  platform::ProcessStart start;
  start.commandLine = commandLine;
  start.currentFolder = kSystem;
  return start;
}

TEST_F(LauncherTest, RunsAProgramAndWaitsForIt) {
  EXPECT_EQ(installer_->RunCommand(Start(u"C:\\Windows\\system32\\powercfg.exe -list"), u"Listing"),
            1);
  EXPECT_EQ(Log(), (std::vector<std::string>{"Listing"}));
  ASSERT_EQ(machine_->processes().Runs().size(), 1u);
  EXPECT_EQ(machine_->processes().Runs()[0].arguments, u"-list");
  EXPECT_EQ(machine_->processes().Runs()[0].currentFolder, kSystem);
  EXPECT_EQ(machine_->processes().OpenHandleCount(), 0u);
}

TEST_F(LauncherTest, ReportsAProgramThatCannotStart) {
  EXPECT_EQ(installer_->RunCommand(Start(u"C:\\nowhere.exe"), u"Status"), 0);
  EXPECT_EQ(Log(), (std::vector<std::string>{"Status", "ERROR: Unable to launch last command"}));
}

TEST_F(LauncherTest, LeavesAProgramRunningPastItsTimeOut) {
  machine_->processes().HangWhenCommandContains(u"-hang");
  std::uint64_t before = machine_->clock().MillisecondsSinceMidnight();
  EXPECT_EQ(installer_->RunCommand(Start(u"C:\\Windows\\system32\\powercfg.exe -hang"), u"Status"),
            1);
  EXPECT_EQ(Log(), (std::vector<std::string>{"Status", "ERROR: Command timed out"}));
  // It waited the full 15 minutes.
  EXPECT_GE(machine_->clock().MillisecondsSinceMidnight() - before, 900000u);
  EXPECT_EQ(machine_->processes().OpenHandleCount(), 0u);
}

TEST_F(LauncherTest, AFailedWaitCountsAsATimeOut) {
  machine_->faults().FailEvery(sim::Call::kProcessWait);
  EXPECT_EQ(installer_->RunCommand(Start(u"C:\\Windows\\system32\\powercfg.exe -list"), u"S"), 1);
  EXPECT_EQ(Log(), (std::vector<std::string>{"S", "ERROR: Command timed out"}));
}

TEST_F(LauncherTest, RunScriptQuotesThePathAndAppendsTheArguments) {
  struct Case {
    WString path;
    const WString* arguments;
    WString commandLine;
  };
  const WString arguments = u"19041 true";
  const WString leadingBlank = u" 19041";
  const WString dir = installer_->GetInstallDir();
  const Case cases[] = {
      {u"Data Files\\TBIOS.cmd", &arguments, u"\"" + dir + u"Data Files\\TBIOS.cmd\" 19041 true"},
      {u"Data Files\\TBIOS.cmd", &leadingBlank, u"\"" + dir + u"Data Files\\TBIOS.cmd\"  19041"},
      {dir + u"Data Files\\MSD.cmd", nullptr, u"\"" + dir + u"Data Files\\MSD.cmd\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    installer_->RunScript(c.path, u"Status", c.arguments);
    const auto& run = machine_->processes().Runs().back();
    // The interpreter by its full path, given the script's command line whole.
    EXPECT_EQ(run.program, kSystem + u"\\cmd.exe");
    EXPECT_EQ(run.commandLine, u"cmd.exe /d /s /c \"" + c.commandLine + u"\"");
    EXPECT_EQ(run.scriptCommandLine, c.commandLine);
    EXPECT_TRUE(run.scriptRan);
    EXPECT_EQ(run.currentFolder, dir + u"Data Files");
  }
}

TEST_F(LauncherTest, StatusTextReachesTheDialogsStatusLine) {
  auto& windows = machine_->windows();
  auto dialog = windows.Create(u"MsiDialogCloseClass", u"Presetra Setup", {0, 0, 500, 400});
  auto label = windows.Create(u"Static", u"", {0, 0, 340, 13}, dialog);
  ASSERT_TRUE(installer_->FindStatusLabel());
  installer_->RunScript(u"Data Files\\TBIOS.cmd", u"TARN BIOS Process", nullptr);
  EXPECT_EQ(windows.TextsOf(label), (std::vector<WString>{u"TARN BIOS Process"}));
}

// A dialog whose thread has stopped pumping messages must not hold the action: the first text
// waits a second at most, the later ones not at all, and the scripts run as before.
TEST_F(LauncherTest, ADialogThatDoesNotAnswerIsWaitedForOnceAndNeverAgain) {
  auto& windows = machine_->windows();
  auto dialog = windows.Create(u"MsiDialogCloseClass", u"Presetra Setup", {0, 0, 500, 400});
  auto label = windows.Create(u"Static", u"", {0, 0, 340, 13}, dialog);
  windows.Hang(label);
  ASSERT_TRUE(installer_->FindStatusLabel());
  installer_->RunScript(u"Data Files\\TBIOS.cmd", u"TARN BIOS Process", nullptr);
  EXPECT_FALSE(installer_->StatusLabel());
  installer_->RunScript(u"Data Files\\MSD.cmd", u"Connected Standby ppkg update", nullptr);

  EXPECT_EQ(windows.TextsOf(label), std::vector<WString>{});
  EXPECT_EQ(machine_->processes().Runs().size(), 2u);
  EXPECT_EQ(Log(),
            (std::vector<std::string>{"TARN BIOS Process", "Connected Standby ppkg update"}));
  const auto& calls = machine_->faults().Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), sim::Call::kSendMessage), 1);
}

}  // namespace
}  // namespace presetra
