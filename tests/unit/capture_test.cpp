// presetra capture on the simulated machine: a captured profile plans like the one the machine
// was made from (examples and generated machines), before and after the commit; facts a profile
// cannot hold exactly are named; and verify of a running machine reads its drift.
#include "cli/live/capture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "cli/run/plan.h"
#include "cli/run/plan_format.h"
#include "cli/run/simulated_run.h"
#include "machine/layout.h"
#include "module/loaded_module.h"
#include "platform/sim/machine.h"
#include "tests/generated_fleet.h"
#include "tool_runner.h"

namespace presetra::cli {
namespace {

using Json = nlohmann::ordered_json;

const char* const kExamples[] = {"consumer",
                                 "desktop",
                                 "desktop-3a",
                                 "modern-standby-228b",
                                 "modern-standby-no-gu",
                                 "modern-standby-rs2",
                                 "notebook-modern-standby",
                                 "notebook"};

std::string ExampleText(const std::string& name) {
  std::ifstream file(std::string(PRESETRA_EXAMPLES_DIR) + "/" + name + ".json");
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

Capture CaptureOf(const std::string& profileText) {
  const machine::MachineProfile profile = machine::ParseProfile(profileText);
  sim::Machine machine(profile);
  return CaptureMachine(machine, profile.packageArchitecture);
}

// What a profile makes of a machine: the plan, and the commit's log without its time stamps.
std::string Outcome(const std::string& profileText) {
  std::string text = PlanText(MakePlan(profileText, "machine"));
  for (const auto& line : RunActions(profileText, {"commit"}, RunOptions{.log = true}).logLines) {
    text += Utf16ToUtf8(line.substr(line.find(u'\t') + 1)) + "\n";
  }
  return text;
}

// The captured profile without the schemes it took from the PC: those say where Windows' values
// came from ("this PC"), which a profile laid on the base image does not.
std::string WithoutSchemes(const std::string& profileText) {
  Json profile = Json::parse(profileText);
  profile["power"].erase("schemes");
  profile["power"].erase("active_scheme");
  return profile.dump(2);
}

TEST(CaptureTest, EveryExamplePlansAsItsCapture) {
  for (const char* example : kExamples) {
    const std::string original = ExampleText(example);
    const Capture capture = CaptureOf(original);
    EXPECT_EQ(Outcome(WithoutSchemes(capture.profileText)), Outcome(original))
        << example << "\n"
        << capture.profileText;
  }
}

// Windows' schemes as the PC has them, here those of a real image's hive, are captured value by
// value: the capture plans each inherited value as the image's plan does, now said to be the PC's.
TEST(CaptureTest, CapturesWindowsSchemesAsThePcHasThem) {
  const std::string hive = testing::UniqueTempPath("desktop.SYSTEM");
  ASSERT_EQ(std::system(("xz -dc '" + std::string(PRESETRA_HIVES_DIR) +
                         "/win10-1903-desktop.SYSTEM.xz' > '" + hive + "'")
                            .c_str()),
            0);
  const auto withImage = testing::RunTool(
      {"plan", "--machine", testing::Example("desktop"), "--image", hive, "--format", "json"});
  ASSERT_EQ(withImage.status, 0) << withImage.err;
  const std::string captured = testing::UniqueTempPath("captured.json");
  const auto capture = testing::RunTool(
      {"capture", "--machine", testing::Example("desktop"), "--image", hive, "--out", captured});
  ASSERT_EQ(capture.status, 0) << capture.err;
  const Json profile = Json::parse(testing::ReadText(captured));
  EXPECT_EQ(profile["power"]["active_scheme"], "381b4222-f694-41f0-9685-ff5bb260df2e");
  EXPECT_EQ(profile["power"]["schemes"]["381b4222-f694-41f0-9685-ff5bb260df2e"]["settings"]
                   ["238c9fa8-0aad-41ed-83f4-97be242c8f20/29f6c1db-86da-48c5-9fdb-f2b67b1f44da"],
            Json::array({0, 900}));
  EXPECT_TRUE(profile["power"]["schemes"].contains("e9a42b02-d5df-448d-aa00-03f14749eb61"));

  const auto fromCapture = testing::RunTool({"plan", "--machine", captured, "--format", "json"});
  ASSERT_EQ(fromCapture.status, 0) << fromCapture.err;
  const Json imagePlan = Json::parse(withImage.out);
  const Json pcPlan = Json::parse(fromCapture.out);
  EXPECT_EQ(pcPlan["windows_values"], "this PC");
  // The same differences, each said to be the PC's.
  Json imageDifferences = imagePlan["windows_balanced_differences"];
  for (auto& difference : imageDifferences) {
    ASSERT_EQ(difference["from"], "image");
    difference["from"] = "pc";
  }
  EXPECT_EQ(pcPlan["windows_balanced_differences"], imageDifferences);
  std::map<std::string, Json> imageSettings;
  for (const auto& setting : imagePlan["scheme"]["settings"]) {
    imageSettings[setting["setting_guid"].get<std::string>()] = setting;
  }
  for (const auto& setting : pcPlan["scheme"]["settings"]) {
    const Json& image = imageSettings[setting["setting_guid"].get<std::string>()];
    SCOPED_TRACE(setting["setting"].get<std::string>());
    EXPECT_EQ(setting["ac_index"], image["ac_index"]);
    EXPECT_EQ(setting["dc_index"], image["dc_index"]);
    // What the PC lists is the PC's; a setting known by an alias alone is not listed by GUID.
    const bool listed = setting["setting_guid"].get<std::string>().size() == 36;
    EXPECT_EQ(setting["windows_value_from"].get<std::string>(), listed ? "pc" : "table");
  }
}

TEST(CaptureTest, GeneratedMachinesPlanAsTheirCaptures) {
  for (const auto& original : testing::VariedProfiles(300)) {
    const Capture capture = CaptureOf(original);
    ASSERT_EQ(Outcome(WithoutSchemes(capture.profileText)), Outcome(original))
        << original << "\n"
        << capture.profileText;
  }
}

// The facts capture reads are ones the commit does not change: after the commit the machine
// captures to a profile that plans the same.
TEST(CaptureTest, BeforeAndAfterTheCommitTheSamePlan) {
  std::vector<std::string> profiles(std::begin(kExamples), std::end(kExamples));
  for (auto& name : profiles) name = ExampleText(name);
  const auto varied = testing::VariedProfiles(100);
  profiles.insert(profiles.end(), varied.begin(), varied.end());
  for (const auto& original : profiles) {
    const machine::MachineProfile profile = machine::ParseProfile(original);
    sim::Machine machine(profile);
    const Capture before = CaptureMachine(machine, profile.packageArchitecture);
    {
      LoadedModule module(machine);
      module.Commit(1);
    }
    const Capture after = CaptureMachine(machine, profile.packageArchitecture);
    ASSERT_EQ(Outcome(after.profileText), Outcome(before.profileText)) << original;
  }
}

// Facts a profile holds other than the machine has them, or that capture cannot tell, each
// said in a note; the profile says what it can.
struct FactCase {
  const char* name;
  std::function<void(sim::Machine&)> change;
  std::string field;  // a JSON pointer into the captured profile
  Json captured;
  std::vector<std::string> notes;
};

class CapturedFact : public ::testing::TestWithParam<FactCase> {};

constexpr char kWmiNote[] =
    "network_adapters: \"wmi\": \"ok\" says the adapter's power classes have instances; whether "
    "WMI accepts a write to them is known only when the commit writes";

TEST_P(CapturedFact, IsWrittenAndExplained) {
  const machine::MachineProfile profile =
      machine::ParseProfile(ExampleText("notebook-modern-standby"));
  sim::Machine machine(profile);
  GetParam().change(machine);
  const Capture capture = CaptureMachine(machine, profile.packageArchitecture);
  const Json json = Json::parse(capture.profileText);
  EXPECT_EQ(json.at(Json::json_pointer(GetParam().field)), GetParam().captured)
      << capture.profileText;
  std::vector<std::string> notes = GetParam().notes;
  notes.insert(notes.begin(), kWmiNote);
  EXPECT_EQ(capture.notes, notes);
}

const std::string kProduct = "/registry/HKLM\\Software\\WOW6432Node\\Vorlan\\Presetra";

INSTANTIATE_TEST_SUITE_P(
    Capture, CapturedFact,
    ::testing::Values(
        FactCase{"string_without_its_nul",
                 [](sim::Machine& m) {
                   m.registry().PutValue(
                       u"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra",
                       {u"MachineID", win::kRegSz, sim::RegSzBytes(u"62E6", false)});
                 },
                 kProduct + "/MachineID",
                 {{"type", "REG_SZ"}, {"data", "62E6"}, {"nul", false}},
                 {}},
        // Two bytes where the profile's REG_SZ would have four: the text keeps the first one.
        FactCase{"string_with_a_nul_inside",
                 [](sim::Machine& m) {
                   m.registry().PutValue(
                       u"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra",
                       {u"MachineID", win::kRegSz, {'6', 0, '2', 0, 0, 0, 'E', 0, 0, 0}});
                 },
                 kProduct + "/MachineID",
                 "62",
                 {"registry \"HKLM\\Software\\WOW6432Node\\Vorlan\\Presetra\" \"MachineID\": the "
                  "profile holds 360032000000, the PC has 36003200000045000000"}},
        FactCase{"dword_of_two_bytes",
                 [](sim::Machine& m) {
                   m.registry().PutValue(u"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra",
                                         {u"MachineID", win::kRegDword, {1, 0}});
                 },
                 kProduct,
                 {{"Version", "1.0.0.7"}},
                 {"registry \"HKLM\\Software\\WOW6432Node\\Vorlan\\Presetra\" "
                  "\"MachineID\": type 4 with 2 bytes, which a profile cannot hold: left "
                  "to the base image"}},
        FactCase{"base_image_key_removed",
                 [](sim::Machine& m) {
                   m.registry().RemoveKey(
                       u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                       u"FlyoutMenuSettings");
                 },
                 "/registry/HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                 "FlyoutMenuSettings",
                 nullptr,
                 {}},
        FactCase{"build_number_missing",
                 [](sim::Machine& m) { m.registry().RemoveValueEverywhere(u"CurrentBuildNumber"); },
                 "/registry",
                 {{"HKLM\\Software\\WOW6432Node\\Vorlan\\Presetra",
                   {{"MachineID", "62E6"}, {"Version", "1.0.0.7"}}}},
                 {"registry \"HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion\" "
                  "\"CurrentBuildNumber\": absent on this PC, which a profile cannot say: the "
                  "base image's value stands"}},
        FactCase{"capabilities_fail",
                 [](sim::Machine& m) { m.power().connectedStandby = std::nullopt; },
                 "/power/connected_standby",
                 "error",
                 {}},
        FactCase{"desktop_role",
                 [](sim::Machine& m) { m.power().platformRole = win::kPlatformRoleDesktop; },
                 "/power/platform_role",
                 "desktop",
                 {}},
        FactCase{"slate_role",
                 [](sim::Machine& m) { m.power().platformRole = win::kPlatformRoleSlate; },
                 "/power/platform_role",
                 "mobile",
                 {}},
        FactCase{
            "scripts_missing_from_the_installed_package",
            [](sim::Machine& m) { m.files().Remove(m.InstallDir() + u"Data Files\\TBIOS.cmd"); },
            "/package_scripts",
            "absent",
            {}},
        FactCase{"factory_folder_a_users_junction",
                 [](sim::Machine& m) {
                   m.files().Remove(machine::kFactoryFolder);
                   m.files().AddFolder(machine::kUsersFolder, platform::Owner::kOther, true);
                   m.files().AddLink(machine::kFactoryFolder, machine::kUsersFolder);
                 },
                 "/factory_folder",
                 "linked_root",
                 {}},
        FactCase{"factory_folder_users_can_write",
                 [](sim::Machine& m) {
                   for (const char16_t* folder :
                        {machine::kFactoryFolder, machine::kLogsFolder, machine::kLogFolder}) {
                     m.files().AddFolder(folder, platform::Owner::kAdministrators, true);
                   }
                 },
                 "/factory_folder",
                 "users_can_write",
                 {}},
        FactCase{"log_folder_missing",
                 [](sim::Machine& m) { m.files().Remove(u"C:\\System.sav\\LOGS\\OSIT"); },
                 "/factory_folder",
                 "present",
                 {"factory_folder: C:\\System.sav has no LOGS\\OSIT: written as \"present\" (the "
                  "commit makes the log folder); whether the folder refuses new entries "
                  "(\"read_only\") is known only when the commit writes"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CaptureTest, WithoutTheBiosNamespaceOrOemStrings) {
  Json profile = Json::parse(ExampleText("consumer"));
  profile["firmware"] = {{"oem_strings", nullptr}};
  profile["network_adapters"] = Json::array();
  const Capture capture = CaptureOf(profile.dump());
  const Json json = Json::parse(capture.profileText);
  EXPECT_EQ(json["firmware"], Json({{"oem_strings", nullptr}, {"bios_feature_byte", nullptr}}));
  EXPECT_EQ(capture.notes, std::vector<std::string>{});
}

// Each wired adapter without WMI has the commit read its driver key in both control sets: more
// reads than capture has rounds, unless each round records every read it sees.
TEST(CaptureTest, EveryKeyTheCommitReadsIsCapturedWhateverTheirNumber) {
  Json profile = Json::parse(ExampleText("notebook"));
  profile["network_adapters"] = Json::array();
  std::vector<std::string> expected = {
      "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion",
      "HKLM\\Software\\WOW6432Node\\Vorlan\\Presetra"};
  for (int i = 1; i <= 8; ++i) {
    char driver[64];
    std::snprintf(driver, sizeof(driver), "{4d36e972-e325-11ce-bfc1-08002be10318}\\%04d", i);
    profile["network_adapters"].push_back(
        {{"description", "Ethernet Connection I219-LM #" + std::to_string(i)},
         {"enumerator", "PCI"},
         {"driver", driver},
         {"hardware_ids", {"PCI\\VEN_8086&DEV_15BB&SUBSYS_83B3103C", "PCI\\VEN_8086&CC_020000"}},
         {"wmi", "missing"}});
    for (const char* set : {"CurrentControlSet", "ControlSet001"}) {
      expected.push_back(std::string("HKLM\\System\\") + set + "\\Control\\Class\\" + driver);
    }
  }
  const Json captured = Json::parse(CaptureOf(profile.dump()).profileText);
  std::vector<std::string> keys;
  for (const auto& [key, values] : captured["registry"].items()) keys.push_back(key);
  EXPECT_EQ(keys, expected);
}

// presetra plan without a profile, where the tool runs on a PC, plans that PC.
TEST(CaptureTest, PlanWithoutAProfilePlansThisPc) {
  const std::string path = std::string(PRESETRA_EXAMPLES_DIR) + "/notebook.json";
  const machine::MachineProfile profile = machine::ParseProfile(ExampleText("notebook"));
  sim::Machine machine(profile);
  ThisPc thisPc{machine, profile.packageArchitecture};
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(cli::Run({"plan"}, out, err, &thisPc), 0);
  EXPECT_EQ(err.str(), std::string("presetra: this PC: note: ") + kWmiNote + "\n");
  // This PC's plan is that of its capture.
  const std::string captured = testing::UniqueTempPath("captured.json");
  testing::Write(captured, CaptureMachine(machine, profile.packageArchitecture).profileText);
  const auto fromFile = testing::RunTool({"plan", "--machine", captured});
  EXPECT_EQ(out.str(), testing::Replaced(fromFile.out, "Machine: " + captured, "Machine: this PC"));
}

TEST(CaptureTest, WritesTheProfileToAFile) {
  const std::string path = testing::UniqueTempPath("captured.json");
  const auto result =
      testing::RunTool({"capture", "--machine",
                        std::string(PRESETRA_EXAMPLES_DIR) + "/consumer.json", "--out", path});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "");
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  EXPECT_EQ(text.str(), CaptureOf(ExampleText("consumer")).profileText);
  const auto bad = testing::RunTool({"capture", "--output", path});
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.err,
            "presetra capture: unknown or incomplete argument \"--output\"\n"
            "usage: presetra capture [--machine FILE] [--image PATH] [--out FILE]\n");
}

}  // namespace
}  // namespace presetra::cli
