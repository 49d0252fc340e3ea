// The entry points, the installer object's life, and the progress dialog's status line.
#include <gtest/gtest.h>

#include "module/loaded_module.h"
#include "test_machine.h"

namespace presetra {
namespace {

using testing::kOsitLog;
using testing::LogTexts;
using testing::MachineFrom;

std::vector<std::string> FirstLines(const std::vector<std::string>& lines, std::size_t count) {
  return std::vector<std::string>(lines.begin(), lines.begin() + std::min(count, lines.size()));
}

const std::string kNotebook = R"("factory_folder": "present",
    "firmware": {"oem_strings": ["FBYTE#3Xaw.", "BUILDID#20WW;"]},
    "registry": {"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra":
                 {"MachineID": "62E6", "Version": "1.0.0.7"}})";

TEST(EntryPointTest, CommitPreparesTheContextAndWritesTheBanner) {
  auto machine = MachineFrom(kNotebook);
  LoadedModule module(*machine);
  EXPECT_EQ(module.Commit(42), 0u);
  EXPECT_EQ(FirstLines(LogTexts(*machine, kOsitLog), 6),
            (std::vector<std::string>{"FeatureBytes:", "3Xaw", "BuildID:", "20WW",
                                      "***** Presetra 1.0.0.7 *****", "Machine ID = 62E6"}));
}

TEST(EntryPointTest, AnEmptyVersionLeavesTwoBlanksInTheBanner) {
  auto machine = MachineFrom(R"("factory_folder": "present")");
  LoadedModule module(*machine);
  module.Commit(1);
  EXPECT_EQ(FirstLines(LogTexts(*machine, kOsitLog), 2),
            (std::vector<std::string>{"***** Presetra  *****", "Machine ID = "}));
}

TEST(EntryPointTest, OneInstallerObjectServesEveryCall) {
  auto machine = MachineFrom(kNotebook);
  auto& windows = machine->windows();
  auto dialog = windows.Create(u"MsiDialogCloseClass", u"Presetra Setup", {0, 0, 400, 300});
  auto label = windows.Create(u"Static", u"", {0, 0, 340, 13}, dialog);
  {
    LoadedModule module(*machine);
    module.Commit(1);
    CAdvInstaller* first = module.Installer();
    EXPECT_EQ(first->StatusLabel(), label);
    EXPECT_EQ(machine->com().OleInitCount(), 1);
    module.Uninstall(2);
    EXPECT_EQ(module.Installer(), first);
    EXPECT_EQ(first->StatusLabel(), label) << "uninstall keeps what commit found";
    // The context was prepared again: the feature bytes were logged a second time.
    auto log = LogTexts(*machine, kOsitLog);
    EXPECT_EQ(std::count(log.begin(), log.end(), "FeatureBytes:"), 2);
  }
  EXPECT_EQ(machine->com().OleInitCount(), 0) << "unload gives OLE back";
  EXPECT_EQ(machine->com().InitCount(), 0);
}

TEST(EntryPointTest, OleInitialisedByTheHostIsLeftToTheHost) {
  auto machine = MachineFrom(kNotebook);
  ASSERT_EQ(machine->com().OleInitialize(), win::kSOk);
  {
    LoadedModule module(*machine);
    module.Commit(1);
    EXPECT_FALSE(module.Installer()->OleInitialized());
  }
  EXPECT_EQ(machine->com().OleInitCount(), 2) << "S_FALSE is not balanced";
}

TEST(EntryPointTest, UninstallDoesNotSearchForTheDialog) {
  auto machine = MachineFrom(kNotebook);
  auto dialog = machine->windows().Create(u"MsiDialogCloseClass", u"Presetra Setup", {});
  machine->windows().Create(u"Static", u"", {0, 0, 340, 13}, dialog);
  LoadedModule module(*machine);
  module.Uninstall(1);
  EXPECT_FALSE(module.Installer()->StatusLabel());
  EXPECT_EQ(
      LogTexts(*machine, kOsitLog),
      (std::vector<std::string>{
          "FeatureBytes:", "3Xaw", "BuildID:", "20WW",
          "C:\\Windows\\system32\\powercfg.exe -delete 8759706d-706b-4c22-b2ec-f91e1ef6ed38"}));
}

TEST(FindStatusLabelTest, LooksForAThreeHundredFortyByThirteenChild) {
  struct Child {
    std::size_t parentIndex;  // 0: the dialog, n: the n-th child made before
    platform::Rect client;
  };
  struct Case {
    const char* name;
    const char16_t* title;
    std::vector<Child> children;
    int expected;  // index of the label among the children, -1 for none
  } cases[] = {
      {"exact title", u"Presetra Setup", {{0, {0, 0, 100, 13}}, {0, {0, 0, 340, 13}}}, 1},
      {"other title: first dialog of the class", u"Other", {{0, {0, 0, 340, 13}}}, 0},
      {"grandchild", u"Presetra Setup", {{0, {0, 0, 600, 400}}, {1, {0, 0, 340, 13}}}, 1},
      {"341 x 13", u"Presetra Setup", {{0, {0, 0, 341, 13}}}, -1},
      {"340 x 14", u"Presetra Setup", {{0, {0, 0, 340, 14}}}, -1},
      {"offset client area", u"Presetra Setup", {{0, {1, 0, 341, 13}}}, -1},
      {"first of two", u"Presetra Setup", {{0, {0, 0, 340, 13}}, {0, {0, 0, 340, 13}}}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    auto machine = MachineFrom();
    auto& windows = machine->windows();
    auto dialog = windows.Create(u"MsiDialogCloseClass", c.title, {0, 0, 640, 480});
    std::vector<platform::Hwnd> made;
    for (const auto& child : c.children) {
      platform::Hwnd parent = child.parentIndex == 0 ? dialog : made[child.parentIndex - 1];
      made.push_back(windows.Create(u"Static", u"", child.client, parent));
    }
    CAdvInstaller installer(*machine);
    SetContextNames(installer);
    EXPECT_EQ(installer.FindStatusLabel(), c.expected >= 0) << c.name;
    EXPECT_EQ(installer.StatusLabel(), c.expected >= 0 ? made[c.expected] : platform::Hwnd())
        << c.name;
    installer.SetStatusText(u"shown");
  }
}

}  // namespace
}  // namespace presetra
