// The uninstall action from the entry point: the Vorlan scheme is deleted, or renamed when it
// outlives the deletion, and Connected Standby machines keep everything.
#include <gtest/gtest.h>

#include "module/loaded_module.h"
#include "power/setting_guids.h"
#include "test_machine.h"

namespace presetra {
namespace {

using testing::kOsitLog;
using testing::LogTexts;
using testing::MachineFrom;

const std::string kPowercfg = testing::kPowercfgPrefix;
const std::string kDelete = kPowercfg + "-delete 8759706d-706b-4c22-b2ec-f91e1ef6ed38";

// The powercfg lines of the log.
std::vector<std::string> PowercfgLines(const sim::Machine& machine) {
  std::vector<std::string> lines;
  for (const auto& text : LogTexts(machine, kOsitLog)) {
    if (text.rfind(kPowercfg, 0) == 0) lines.push_back(text);
  }
  return lines;
}

std::unique_ptr<sim::Machine> MachineWithScheme(const std::string& fields) {
  auto machine =
      MachineFrom(R"("factory_folder": "present")" + (fields.empty() ? "" : ", " + fields));
  auto scheme = *machine->schemes().Find(u"381b4222-f694-41f0-9685-ff5bb260df2e");
  scheme.guid = kVorlanScheme;
  scheme.name = u"@x";
  machine->schemes().Put(scheme);
  machine->schemes().SetActive(kVorlanScheme);
  return machine;
}

void Uninstall(sim::Machine& machine) {
  LoadedModule module(machine);
  EXPECT_EQ(module.Uninstall(1), 0u);
}

TEST(UninstallTest, ConnectedStandbyMachinesKeepEverything) {
  auto machine = MachineWithScheme(R"("power": {"connected_standby": true})");
  Uninstall(*machine);
  EXPECT_TRUE(PowercfgLines(*machine).empty());
  EXPECT_TRUE(machine->processes().Runs().empty());
  EXPECT_TRUE(machine->schemes().Find(kVorlanScheme));
}

TEST(UninstallTest, DeletesTheActiveSchemeAfterActivatingBalanced) {
  auto machine = MachineWithScheme("");
  Uninstall(*machine);
  EXPECT_EQ(PowercfgLines(*machine),
            (std::vector<std::string>{kPowercfg + "-setactive 381b4222-f694-41f0-9685-ff5bb260df2e",
                                      kDelete}));
  EXPECT_FALSE(machine->schemes().Find(kVorlanScheme));
}

TEST(UninstallTest, AnAbsentSchemeOnlyCostsTheDeleteCommand) {
  auto machine = MachineFrom(R"("factory_folder": "present")");
  Uninstall(*machine);
  EXPECT_EQ(PowercfgLines(*machine), std::vector<std::string>{kDelete});
  EXPECT_EQ(machine->processes().Runs().back().exitCode, 1u);
}

TEST(UninstallTest, ASchemeThatOutlivesDeletionGetsAPlainName) {
  struct Case {
    std::uint16_t language;
    std::string name;
    std::string description;
  } cases[] = {
      {0x0409, "Vorlan Optimized (recommended)",
       "Provides optimized balance of performance with energy consumption on Vorlan PC."},
      {0x0401, "Vorlan Optimized (recommended)\u200E",
       "يوفر توازن أفضل للأداء مع توفير الطاقة التي تستهلكها أجهزة الكمبيوتر من Vorlan."},
      {0x040D, "Vorlan Optimized (recommended)\u200E",
       "מספק איזון מיטבי בין ביצועים לבין צריכת אנרגיה במחשבים אישיים של Vorlan."},
      {0x0407, "Vorlan Optimized (recommended)",
       "Bietet ein optimiertes Gleichgewicht zwischen Leistung und Energieverbrauch bei Vorlan "
       "PC."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    auto machine = MachineWithScheme("\"ui_language\": " + std::to_string(c.language));
    machine->processes().RefuseCommandsContaining(u"-delete");
    Uninstall(*machine);
    EXPECT_EQ(PowercfgLines(*machine),
              (std::vector<std::string>{
                  kPowercfg + "-setactive 381b4222-f694-41f0-9685-ff5bb260df2e", kDelete,
                  kPowercfg + "-changename 8759706d-706b-4c22-b2ec-f91e1ef6ed38 \"" + c.name +
                      "\" \"" + c.description + "\"",
                  kPowercfg + "-ReplaceDefaultSchemes"}))
        << c.language;
    auto scheme = machine->schemes().Find(kVorlanScheme);
    ASSERT_TRUE(scheme.has_value());
    EXPECT_EQ(Utf16ToUtf8(scheme->name), c.name);
  }
}

TEST(UninstallTest, AModuleWithoutTheDescriptionPassesAnEmptyOne) {
  auto machine = MachineWithScheme("");
  machine->processes().RefuseCommandsContaining(u"-delete");
  machine->shell().SetStringTable({});
  Uninstall(*machine);
  EXPECT_EQ(PowercfgLines(*machine)[2],
            kPowercfg +
                "-changename 8759706d-706b-4c22-b2ec-f91e1ef6ed38 \"Vorlan Optimized "
                "(recommended)\" \"\"");
}

TEST(UninstallTest, AnUnreadableSchemeCountsAsGone) {
  auto machine = MachineWithScheme("");
  machine->processes().RefuseCommandsContaining(u"-delete");
  machine->faults().FailEvery(sim::Call::kPowerReadDescription);
  Uninstall(*machine);
  EXPECT_EQ(PowercfgLines(*machine).size(), 2u);
}

}  // namespace
}  // namespace presetra
