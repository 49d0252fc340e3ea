// Windows images read through hivex and wimlib: the real hives of the test data, WIMs and an ESD
// built from them, folders, and what is refused.
#include <gtest/gtest.h>
#include <hivex.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "image/image_error.h"
#include "image/windows_image.h"
#include "tool_runner.h"

namespace presetra::testing {
namespace {

namespace fs = std::filesystem;

constexpr char16_t kSleep[] = u"29f6c1db-86da-48c5-9fdb-f2b67b1f44da";
constexpr char16_t kSleepGroup[] = u"238c9fa8-0aad-41ed-83f4-97be242c8f20";

void Shell(const std::string& command) {
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// The hive of the test data, decompressed once per test process.
std::string HiveFile(const std::string& name) {
  const std::string path = ProcessTempDir() + name + ".SYSTEM";
  if (!fs::exists(path)) {
    Shell("xz -dc '" + std::string(PRESETRA_HIVES_DIR) + "/" + name + ".SYSTEM.xz' > '" + path +
          "'");
  }
  return path;
}

// A folder holding an image: its SYSTEM hive under Windows\System32\config, spelt as given.
fs::path ImageFolder(const std::string& name, const std::string& hive,
                     const std::string& config = "Windows/System32/config",
                     const std::string& file = "SYSTEM") {
  const fs::path folder = Folder(name);
  fs::create_directories(folder / config);
  fs::copy_file(HiveFile(hive), folder / config / file);
  return folder;
}

// A WIM of the 1903 desktop's image then the 1709 laptop's; with `esd`, LZMS in solid blocks.
std::string TwoImageWim(const std::string& name, bool esd = false) {
  const std::string wim = UniqueTempPath(name);
  const std::string compress = esd ? " --solid" : "";
  Shell("wimlib-imagex capture '" + ImageFolder(name + "-a", "win10-1903-desktop").string() +
        "' '" + wim + "' 'Desktop 1903'" + compress + " >/dev/null");
  Shell("wimlib-imagex append '" + ImageFolder(name + "-b", "win10-1709-laptop").string() + "' '" +
        wim + "' 'Laptop 1709'" + compress + " >/dev/null");
  return wim;
}

// A SOFTWARE hive that names Windows and its build, as an image's does: written with hivex over
// a copy of a real hive emptied of its keys (the test data has no SOFTWARE hive).
void WriteSoftwareHive(const fs::path& path, const std::string& product, const std::string& build) {
  const std::string copy = path.string() + ".from";
  fs::copy_file(HiveFile("win10-1903-desktop"), copy, fs::copy_options::overwrite_existing);
  hive_h* hive = hivex_open(copy.c_str(), HIVEX_OPEN_WRITE);
  ASSERT_NE(hive, nullptr);
  const hive_node_h root = hivex_root(hive);
  hive_node_h* children = hivex_node_children(hive, root);
  for (hive_node_h* child = children; *child != 0; ++child) hivex_node_delete_child(hive, *child);
  std::free(children);
  auto text = [](const std::string& ascii) {
    std::string bytes;
    for (char c : ascii) bytes += {c, '\0'};
    return bytes + std::string(2, '\0');
  };
  for (const char* at : {"", "WOW6432Node"}) {
    hive_node_h key = root;
    for (const char* name : {at, "Microsoft", "Windows NT", "CurrentVersion"}) {
      if (*name != '\0') key = hivex_node_add_child(hive, key, name);
    }
    std::string productData = text(product);
    std::string buildData = text(build);
    hive_set_value values[] = {
        {const_cast<char*>("ProductName"), hive_t_REG_SZ, productData.size(), productData.data()},
        {const_cast<char*>("CurrentBuildNumber"), hive_t_REG_SZ, buildData.size(),
         buildData.data()}};
    ASSERT_EQ(hivex_node_set_values(hive, key, 2, values, 0), 0);
  }
  ASSERT_EQ(hivex_commit(hive, path.c_str(), 0), 0);
  hivex_close(hive);
  fs::remove(copy);
}

const machine::WindowsScheme* Find(const machine::WindowsImage& image, const char16_t* guid) {
  for (const auto& scheme : image.schemes) {
    if (scheme.guid == guid) return &scheme;
  }
  return nullptr;
}

// Balanced's value of one setting: AC, DC and where it came from.
std::string BalancedValue(const machine::WindowsImage& image, const char16_t* subgroup,
                          const char16_t* setting) {
  const machine::WindowsScheme* balanced = Find(image, powercfg::kBalanced);
  if (balanced == nullptr) return "no Balanced";
  auto value = balanced->settings.find(powercfg::SettingKey{subgroup, setting});
  if (value == balanced->settings.end()) return "absent";
  auto text = [](const std::optional<std::uint32_t>& index) {
    return index ? std::to_string(*index) : std::string("none");
  };
  return text(value->second.ac) + "/" + text(value->second.dc) +
         (value->second.source == machine::ValueSource::kImage ? " image" : " other");
}

std::shared_ptr<const machine::WindowsImage> Read(const std::string& spec, std::string* notes) {
  std::ostringstream out;
  auto image = image::ReadWindowsImage(spec, out);
  if (notes != nullptr) *notes = out.str();
  return image;
}

TEST(ImageTest, HiveAloneGivesItsSchemesValuesAndActiveScheme) {
  const std::string hive = HiveFile("win10-1903-desktop");
  std::string notes;
  const auto image = Read(hive, &notes);
  // The three overlays beside the schemes are not schemes; Balanced comes first. This machine's
  // user had made Ultimate Performance one of its schemes.
  std::vector<WString> guids;
  for (const auto& scheme : image->schemes) guids.push_back(scheme.guid);
  EXPECT_EQ(guids,
            (std::vector<WString>{powercfg::kBalanced, powercfg::kHighPerformance,
                                  powercfg::kPowerSaver, u"e9a42b02-d5df-448d-aa00-03f14749eb61"}));
  EXPECT_EQ(image->activeScheme, std::optional<WString>(powercfg::kBalanced));
  // Windows' own write under User\PowerSchemes (AC 0) over the default (DC 900).
  EXPECT_EQ(BalancedValue(*image, kSleepGroup, kSleep), "0/900 image");
  EXPECT_EQ(BalancedValue(*image, u"7516b95f-f776-4464-8c53-06167f40cc99",
                          u"3c0bc021-c8a8-4e07-a973-6b14cbcb2b7e"),
            "0/300 image");
  EXPECT_EQ(image->label, "image " + hive + " (a SYSTEM hive: no Windows name or build)");
  EXPECT_FALSE(image->hasSoftware);
  EXPECT_EQ(notes, "presetra: " + hive +
                       ": the image has no SOFTWARE hive: the build and the other SOFTWARE values "
                       "come from the profile and Presetra's base image\n");
}

TEST(ImageTest, DefaultsTakeOverrideThenProvisionedThenBuiltIn) {
  const auto image = Read(HiveFile("win10-1709-laptop"), nullptr);
  // Allow away mode: OverrideACSettingIndex 1 over AcSettingIndex 0; DC has only the built-in 0.
  EXPECT_EQ(BalancedValue(*image, kSleepGroup, u"25dfa149-5dd1-4736-b5ab-e8a37b5b8187"),
            "1/0 image");
  EXPECT_EQ(BalancedValue(*image, kSleepGroup, u"1a34bdc3-7e6b-442e-a9d0-64b6ef378e84"),
            "1/0 image");
  // A setting Presetra's catalog does not know is named as the hive names it, choices by index.
  const auto named = image->settingNames.find(powercfg::SettingKey{
      u"44f3beca-a7c0-460e-9df2-bb8b99e0cba6", u"3619c3f2-afb2-4afc-b0e9-e7fef372de36"});
  ASSERT_NE(named, image->settingNames.end());
  EXPECT_EQ(named->second.subgroup, "Intel(R) Graphics Settings");
  EXPECT_EQ(named->second.name, "Intel(R) Graphics Power Plan");
  EXPECT_EQ(named->second.choices,
            (std::vector<std::string>{"Maximum Battery Life", "Balanced", "Maximum Performance"}));
  // A setting the hive has no PowerSettings entry for is left to the table.
  EXPECT_EQ(BalancedValue(*image, u"e73a048d-bf27-4f12-9731-8b2076e8891f",
                          u"5dbb7c9f-38e9-40d2-9749-4f8a0e9f640f"),
            "absent");
}

TEST(ImageTest, WimNeedsAnIndexWhenItHoldsSeveralImages) {
  const std::string wim = TwoImageWim("two.wim");
  try {
    Read(wim, nullptr);
    ADD_FAILURE() << "read a WIM of two images without an index";
  } catch (const image::ImageError& error) {
    EXPECT_EQ(std::string(error.what()), wim + ": the file holds 2 images; name one as " + wim +
                                             ":INDEX\n  1: Desktop 1903\n  2: Laptop 1709");
  }
  struct Case {
    std::string index;
    std::string sleep;  // Balanced's sleep after, AC/DC
  } cases[] = {{"1", "0/900 image"}, {"2", "1800/900 image"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    const auto image = Read(wim + ":" + c.index, nullptr);
    EXPECT_EQ(BalancedValue(*image, kSleepGroup, kSleep), c.sleep);
    EXPECT_EQ(image->label, "image " + wim + ":" + c.index + " (" +
                                (c.index == "1" ? "Desktop 1903" : "Laptop 1709") + ")");
  }
}

TEST(ImageTest, EsdIsReadAsAWim) {
  const auto image = Read(TwoImageWim("two.esd", true) + ":1", nullptr);
  EXPECT_EQ(BalancedValue(*image, kSleepGroup, kSleep), "0/900 image");
}

TEST(ImageTest, FolderFindsItsHiveIgnoringCase) {
  const fs::path folder =
      ImageFolder("lower-case", "win10-1903-desktop", "windows/system32/CONFIG", "system");
  const auto image = Read(folder.string(), nullptr);
  EXPECT_EQ(BalancedValue(*image, kSleepGroup, kSleep), "0/900 image");
}

TEST(ImageTest, BadImagesAreRefusedWithWhatIsWrong) {
  const std::string wim = TwoImageWim("refused.wim");
  const std::string hive = HiveFile("win10-1903-desktop");
  const std::string truncated = UniqueTempPath("truncated.SYSTEM");
  Write(truncated, ReadText(hive).substr(0, 8192));
  const std::string damaged = UniqueTempPath("damaged.SYSTEM");
  std::string bytes = ReadText(hive);
  for (std::size_t i = 4096; i < bytes.size(); i += 97) bytes[i] = '\xff';
  Write(damaged, bytes);
  const std::string text = UniqueTempPath("notes.txt");
  Write(text, "not an image");
  const fs::path empty = Folder("no-image");
  const fs::path noSystem = Folder("no-system");
  fs::create_directories(noSystem / "Windows");
  Write(noSystem / "Windows" / "notepad.exe", "MZ");
  const std::string wimWithoutSystem = UniqueTempPath("no-system.wim");
  Shell("wimlib-imagex capture '" + noSystem.string() + "' '" + wimWithoutSystem +
        "' 'Empty' >/dev/null");
  struct Case {
    std::string spec;
    std::string starts;
  } cases[] = {
      {wim + ":3", wim + ":3: no such image; the file holds 2 images"},
      {wim + ":0", wim + ":0: images are numbered from 1"},
      {hive + ":1", hive + ":1: only a WIM or ESD file has numbered images"},
      // hivex opens a hive cut short behind its header; the first key past the cut fails.
      {truncated, truncated + ": its SYSTEM hive: the hive is damaged"},
      {text, text + ": not a WIM or ESD file, a registry hive or a folder holding an image"},
      {empty.string(), empty.string() + ": not a Windows image"},
      {wimWithoutSystem,
       wimWithoutSystem + ":1: the image holds no Windows\\System32\\config\\SYSTEM"},
      {UniqueTempPath("absent.wim"), UniqueTempPath("absent.wim") + ": no such file or folder"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.spec);
    try {
      Read(c.spec, nullptr);
      ADD_FAILURE() << "read";
    } catch (const image::ImageError& error) {
      EXPECT_EQ(std::string(error.what()).substr(0, c.starts.size()), c.starts) << error.what();
    }
  }
  // A hive damaged past its header is refused, never half read.
  try {
    Read(damaged, nullptr);
  } catch (const image::ImageError&) {
  }
}

TEST(ImageTest, PlanShowsBalancedAsTheImageHasIt) {
  const std::string wim = TwoImageWim("plan.wim");
  const ToolResult result =
      RunTool({"plan", "--machine", Example("desktop"), "--image", wim + ":1"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("  Windows' values: image " + wim + ":1 (Desktop 1903)\n"),
            std::string::npos);
  const std::string differences =
      "\nWindows' Balanced where it differs from Presetra's table\n"
      "  Sleep / Sleep after: Never (AC) in the image; the table has 30 min\n"
      "  Display / Turn off display after: Never (AC) in the image; the table has 10 min\n\n";
  EXPECT_NE(result.out.find(differences), std::string::npos) << result.out;
  // A value the image has not is the table's, and says so.
  EXPECT_NE(result.out.find("    Wi-Fi in standby: Windows default unknown (AC), Windows default "
                            "unknown (DC)  [Balanced, Presetra's table]\n"),
            std::string::npos);

  const ToolResult json =
      RunTool({"plan", "--machine", Example("desktop"), "--image", wim + ":1", "--format", "json"});
  const auto plan = nlohmann::json::parse(json.out);
  std::map<std::string, std::string> from;
  for (const auto& setting : plan["scheme"]["settings"]) {
    from[setting["setting"].get<std::string>()] = setting["windows_value_from"];
  }
  EXPECT_EQ(from["Start menu power button"], "image");
  EXPECT_EQ(from["Wi-Fi in standby"], "table");
}

TEST(ImageTest, SoftwareHiveNamesWindowsAndGivesTheBuild) {
  // A profile that says nothing of the build: the image's is the one planned.
  const std::string profile =
      R"({"profile": 1, "firmware": {"oem_strings": ["FBYTE#3X9Z;"]},)"
      R"("registry": {"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra": {"MachineID": "8B2B"}}})";
  struct Case {
    std::string product;
    std::string build;
    std::string label;  // after "image FOLDER"
    std::string head;
  } cases[] = {
      {"Windows 10 Enterprise LTSC 2021", "19044",
       " (Windows 10 Enterprise LTSC 2021, build 19044)", ", Windows 10 build 19044,"},
      // Windows 11 still calls itself Windows 10 in the registry.
      {"Windows 10 Pro", "22631", " (Windows 11 Pro, build 22631)", ", Windows 11 build 22631,"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.build);
    const fs::path folder = ImageFolder("software-" + c.build, "win10-1903-desktop");
    WriteSoftwareHive(folder / "Windows/System32/config/SOFTWARE", c.product, c.build);
    std::string notes;
    const auto image = Read(folder.string(), &notes);
    EXPECT_EQ(image->label, "image " + folder.string() + c.label);
    EXPECT_EQ(notes, "");
    EXPECT_TRUE(image->hasSoftware);
    const fs::path machine = folder / "machine.json";
    Write(machine, profile);
    const ToolResult result =
        RunTool({"plan", "--machine", machine.string(), "--image", folder.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find(c.head), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("Presetra's Windows 10 table"), std::string::npos);
    // A WIM made from it takes Windows' name from the image as wimlib reads it.
    const std::string wim = UniqueTempPath("software-" + c.build + ".wim");
    Shell("wimlib-imagex capture '" + folder.string() + "' '" + wim +
          "' 'Factory image' >/dev/null");
    EXPECT_EQ(Read(wim, nullptr)->label,
              "image " + wim + ":1 (Factory image, build " + c.build + ")");
  }
}

TEST(ImageTest, ProfileNamesItsImageRelativeToItsFile) {
  const fs::path folder = Folder("profile-with-image");
  fs::copy_file(HiveFile("win10-1903-desktop"), folder / "desktop.SYSTEM");
  std::string profile = ReadText(Example("desktop"));
  profile =
      Replaced(profile, "\"profile\": 1,", "\"profile\": 1,\n  \"image\": \"desktop.SYSTEM\",");
  Write(folder / "desktop.json", profile);
  const ToolResult result = RunTool({"plan", "--machine", (folder / "desktop.json").string()});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("Windows' values: image " + (folder / "desktop.SYSTEM").string()),
            std::string::npos);
  // The option wins over the field.
  const ToolResult bad = RunTool({"plan", "--machine", (folder / "desktop.json").string(),
                                  "--image", (folder / "absent").string()});
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.err,
            "presetra plan: " + (folder / "absent").string() + ": no such file or folder\n");
}

TEST(ImageTest, Windows11WithoutImageSaysTheTableStandsIn) {
  const fs::path folder = Folder("windows11");
  std::string profile = ReadText(Example("notebook"));
  profile = Replaced(profile, "\"19042\"", "\"22631\"");
  Write(folder / "w11.json", profile);
  const ToolResult result = RunTool({"plan", "--machine", (folder / "w11.json").string()});
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.out.find(", Windows 11 build 22631,"), std::string::npos);
  const std::string note =
      "This is a Windows 11 build, but Windows' values shown are Presetra's Windows 10 table; "
      "give the image the unit ships with --image (a WIM or ESD file, an image's folder or its "
      "SYSTEM hive) to plan against its own.";
  EXPECT_NE(result.out.find("  " + note + "\n"), std::string::npos);
  EXPECT_NE(result.err.find(note), std::string::npos);
  // The last Windows 10 build is Windows 10.
  Write(folder / "w10.json", Replaced(profile, "\"22631\"", "\"21999\""));
  const ToolResult ten = RunTool({"plan", "--machine", (folder / "w10.json").string()});
  EXPECT_NE(ten.out.find(", Windows 10 build 21999,"), std::string::npos);
  EXPECT_EQ(ten.out.find(note), std::string::npos);
}

}  // namespace
}  // namespace presetra::testing
