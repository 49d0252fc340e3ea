// The commit action from end to end: each example machine and each edge case of the install
// sequence against its whole expected log, and the end state it leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "golden.h"
#include "policy_fixture.h"
#include "tool_runner.h"

namespace presetra {
namespace {

using testing::ExpectGolden;
using testing::MachineFrom;
using testing::WithoutStamps;

std::string RunTool(const std::vector<std::string>& arguments) {
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(cli::Run(arguments, out, err), 0) << err.str();
  return out.str();
}

TEST(InstallSequenceTest, EveryExampleMachineCommitsAndUninstallsAsItsGoldenLogSays) {
  int examples = 0;
  for (const auto& entry : std::filesystem::directory_iterator(PRESETRA_EXAMPLES_DIR)) {
    if (entry.path().extension() != ".json") continue;
    ++examples;
    std::string output =
        RunTool({"commit", "uninstall", "--machine", entry.path().string(), "--schemes"});
    ExpectGolden("examples/" + entry.path().stem().string() + ".log", WithoutStamps(output));
  }
  EXPECT_GE(examples, 8);
}

// The x64 package reads and writes the same physical keys and files as the x86 one; only the
// folder it is installed in differs, and with it the scheme names that point into the DLL.
TEST(InstallSequenceTest, TheX64PackageDiffersFromTheX86OneOnlyInItsInstallFolder) {
  const std::string x86Dir = "C:\\Program Files (x86)\\Vorlan\\Presetra\\";
  const std::string x64Dir = "C:\\Program Files\\Vorlan\\Presetra\\";
  const std::filesystem::path folder =
      std::filesystem::path(testing::ProcessTempDir()) / "presetra-x64-examples";
  std::filesystem::create_directories(folder);
  for (const auto& entry : std::filesystem::directory_iterator(PRESETRA_EXAMPLES_DIR)) {
    if (entry.path().extension() != ".json") continue;
    SCOPED_TRACE(entry.path().filename().string());
    nlohmann::json profile = nlohmann::json::parse(std::ifstream(entry.path()));
    profile["package_architecture"] = "x64";
    const std::filesystem::path x64Profile = folder / entry.path().filename();
    std::ofstream(x64Profile) << profile.dump();

    std::string x86 = WithoutStamps(
        RunTool({"commit", "uninstall", "--machine", entry.path().string(), "--schemes"}));
    const std::string x64 = WithoutStamps(
        RunTool({"commit", "uninstall", "--machine", x64Profile.string(), "--schemes"}));
    ASSERT_NE(x86.find(x86Dir), std::string::npos);
    EXPECT_EQ(x64.find(x86Dir), std::string::npos);
    for (std::size_t at; (at = x86.find(x86Dir)) != std::string::npos;) {
      x86.replace(at, x86Dir.size(), x64Dir);
    }
    EXPECT_EQ(x64, x86);
  }
}

struct EdgeCase {
  const char* name;
  std::string profile;
};

std::string Machine(const std::string& bytes, const std::string& board, const std::string& build,
                    const std::string& connectedStandby) {
  return R"("factory_folder": "present", "firmware": {"oem_strings": ["FBYTE#)" + bytes +
         R"(."]}, "power": {"connected_standby": )" + connectedStandby +
         R"(}, "registry": {"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra": {"MachineID": ")" +
         board +
         R"(", "Version": "1.0.0.7"}, "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion": {"CurrentBuildNumber": ")" +
         build + R"("}})";
}

// A folder Windows cannot find must not turn into a relative path, which would be looked up
// wherever the installer happens to be, or on a drive where any user may create folders.
TEST(InstallSequenceTest, AFolderWindowsCannotFindLeavesNoRelativePathToRunOrName) {
  struct Case {
    const char* name;
    bool systemFolder;
    bool programFiles;
    std::vector<std::string> errors;  // the first lines that say what was not done
  } cases[] = {
      {"no system folder",
       false,
       true,
       {"ERROR: No system folder, script not started: Data Files\\TBIOS.cmd",
        "ERROR: No system folder, powercfg.exe not started: -duplicatescheme "
        "381b4222-f694-41f0-9685-ff5bb260df2e 8759706d-706b-4c22-b2ec-f91e1ef6ed38"}},
      {"no program-files folder",
       true,
       false,
       {"ERROR: No install folder, script not started: Data Files\\TBIOS.cmd"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto machine = MachineFrom(Machine("3Xaw", "8A4F", "19041", "false"));
    if (!c.systemFolder) machine->shell().systemFolder.clear();
    if (!c.programFiles) machine->shell().programFilesFolder.clear();
    {
      LoadedModule module(*machine);
      module.Commit(1);
    }
    std::vector<std::string> errors;
    for (const auto& line : testing::LogTexts(*machine, testing::kOsitLog)) {
      if (line.rfind("ERROR: No ", 0) == 0) errors.push_back(line);
    }
    errors.resize(std::min(errors.size(), c.errors.size()));
    EXPECT_EQ(errors, c.errors);
    for (const auto& run : machine->processes().Runs()) {
      EXPECT_FALSE(machine->files().PathIsRelative(run.program)) << Utf16ToUtf8(run.commandLine);
      EXPECT_NE(run.program.front(), u'\\') << Utf16ToUtf8(run.commandLine);
      EXPECT_FALSE(machine->files().PathIsRelative(run.currentFolder));
      // Named apart from its arguments, so no blank in a path picks another program; started
      // with no console a user could reach.
      EXPECT_EQ(run.application, run.program) << Utf16ToUtf8(run.commandLine);
      EXPECT_NE(run.creationFlags & win::kCreateNoWindow, 0u) << Utf16ToUtf8(run.commandLine);
    }
    for (const auto& scheme : machine->schemes().Schemes()) {
      // An indirect name ("@<module path>,-<id>,...") must name the module by a full path;
      // Windows' own schemes name theirs through %SystemRoot%.
      const bool indirect = !scheme.name.empty() && scheme.name[0] == u'@' &&
                            scheme.name.rfind(u"@%SystemRoot%", 0) != 0;
      EXPECT_FALSE(indirect && (machine->files().PathIsRelative(scheme.name.substr(1)) ||
                                scheme.name[1] == u'\\'))
          << Utf16ToUtf8(scheme.name);
    }
  }
}

TEST(InstallSequenceTest, EdgeCasesFollowTheirGoldenLogs) {
  const EdgeCase cases[] = {
      {"consumer-notebook", Machine("aw7K7P7W", "7C3D", "19041", "true")},
      {"odd-offset-bT", Machine("3XXbTX", "8B2A", "19041", "false")},
      {"build-19041", Machine("3Xaw", "8A4F", "19041", "false")},
      {"build-19042", Machine("3Xaw", "8A4F", "19042", "false")},
      {"gu-build-16298", Machine("3Xawgu", "8A12", "16298", "true")},
      {"gu-build-16299-board-228B", Machine("3Xawgu", "228B", "16299", "true")},
      {"gu-build-16299-board-62E6", Machine("3Xawgu", "62E6", "16299", "true")},
      {"power-capabilities-fail", Machine("3Xaw", "8A4F", "19041", "\"error\"")},
      {"board-62e6-lower-case", Machine("3Xaw", "62e6", "19041", "true")},
      {"no-build-number", Machine("3Xaw", "8A4F", "", "false")},
      {"no-firmware-strings",
       R"("factory_folder": "present", "power": {"connected_standby": false})"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    auto machine = MachineFrom(c.profile);
    LoadedModule module(*machine);
    EXPECT_EQ(module.Commit(1), 0u);
    std::string log;
    for (const auto& line : testing::LogTexts(*machine, testing::kOsitLog)) log += line + "\n";
    ExpectGolden(std::string("install/") + c.name + ".log", log);
  }
}

TEST(InstallSequenceTest, WritesTheTabletBiometricsAndBrightnessValues) {
  auto machine = MachineFrom(Machine("3XawbT", "62E6", "19041", "true"));
  LoadedModule module(*machine);
  module.Commit(1);
  auto& registry = machine->registry();
  EXPECT_EQ(
      registry
          .GetValue(u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\AutoRotation", u"Enable")
          ->data,
      sim::RegDwordBytes(1));
  EXPECT_EQ(registry
                .GetValue(u"HKLM\\SYSTEM\\CurrentControlSet\\Control\\DeviceGuard\\Scenarios\\"
                          u"SecureBiometrics",
                          u"Enabled")
                ->data,
            sim::RegDwordBytes(0));
  auto curve = registry.GetValue(
      u"HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AdaptiveDisplayBrightness\\"
      u"{23B44AF2-78CE-4943-81DF-89817E8D23FD}",
      u"AutobrightnessLuxToNitsCurve");
  ASSERT_TRUE(curve.has_value());
  EXPECT_EQ(curve->type, win::kRegSz);
  EXPECT_EQ(curve->data.size(), 206u);
  EXPECT_EQ(curve->data,
            sim::RegSzBytes(u"0.001:60, 25:60, 40:90, 100:130, 250:160, 500:180, 1000:225, "
                            u"3000:300, 12000:400, 20000:500, 50000:750"));
  auto hiberboot = registry.GetValue(
      u"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Power", u"HiberbootEnabled");
  EXPECT_EQ(hiberboot->data, sim::RegDwordBytes(1));
}

TEST(InstallSequenceTest, CommitThenUninstallLeavesNoVorlanSchemeWithoutConnectedStandby) {
  for (const char* name : {"notebook", "desktop", "desktop-3a"}) {
    auto machine = std::make_unique<sim::Machine>(machine::ParseProfile([&] {
      std::ifstream file(std::string(PRESETRA_EXAMPLES_DIR) + "/" + name + ".json");
      std::ostringstream text;
      text << file.rdbuf();
      return text.str();
    }()));
    LoadedModule module(*machine);
    module.Commit(1);
    EXPECT_TRUE(machine->schemes().Find(u"8759706d-706b-4c22-b2ec-f91e1ef6ed38")) << name;
    module.Uninstall(1);
    EXPECT_FALSE(machine->schemes().Find(u"8759706d-706b-4c22-b2ec-f91e1ef6ed38")) << name;
    EXPECT_EQ(machine->schemes().Active(), u"381b4222-f694-41f0-9685-ff5bb260df2e") << name;
  }
}

}  // namespace
}  // namespace presetra
