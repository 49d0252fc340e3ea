#include "image/windows_image.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <tuple>

#include "image/power_settings.h"
#include "image/wim.h"
#include "machine/layout.h"
#include "machine/scheme_laying.h"

namespace presetra::image {

namespace {

namespace fs = std::filesystem;

constexpr char16_t kSystemRoot[] = u"HKLM\\SYSTEM\\CurrentControlSet\\";
constexpr char16_t kSoftwareRoot[] = u"HKLM\\SOFTWARE\\";

enum class Kind { kWim, kHive, kFolder, kOther };

Kind KindOf(const fs::path& path) {
  std::error_code error;
  if (fs::is_directory(path, error)) return Kind::kFolder;
  std::ifstream file(path, std::ios::binary);
  char magic[8] = {};
  file.read(magic, sizeof magic);
  if (file.gcount() >= 8 && std::string(magic, 8) == std::string("MSWIM\0\0\0", 8))
    return Kind::kWim;
  if (file.gcount() >= 4 && std::string(magic, 4) == "regf") return Kind::kHive;
  return Kind::kOther;
}

// The entry of `folder` named `name` ignoring case, as Windows would find it.
std::optional<fs::path> FindIgnoringCase(const fs::path& folder, const std::string& name) {
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string entry = it->path().filename().string();
    if (EqualsIgnoringCase(Utf8ToUtf16(entry), Utf8ToUtf16(name))) return it->path();
  }
  return std::nullopt;
}

std::optional<fs::path> FindPath(fs::path folder, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    auto found = FindIgnoringCase(folder, name);
    if (!found) return std::nullopt;
    folder = *found;
  }
  return folder;
}

// The key paths of the image's registry the actions touch, with the values the image has there.
void ReadRegistry(const Hive& system, Hive::Key controlSet, const Hive* software,
                  machine::WindowsImage& image) {
  for (const WString& key : machine::ImageRegistryKeys()) {
    // Which hive holds the key, from where, and the path below that.
    const Hive* hive = nullptr;
    Hive::Key from = 0;
    WString below;
    for (const auto& [root, inHive, at] :
         {std::tuple{WStringView(kSystemRoot), &system, controlSet},
          std::tuple{WStringView(kSoftwareRoot), software,
                     software != nullptr ? software->Root() : Hive::Key{0}}}) {
      if (inHive != nullptr && key.size() > root.size() &&
          EqualsIgnoringCase(WStringView(key).substr(0, root.size()), root)) {
        hive = inHive;
        from = at;
        below = key.substr(root.size());
      }
    }
    if (hive == nullptr) continue;
    if (const auto found = hive->Find(from, Utf16ToUtf8(below))) {
      image.registry.emplace_back(key, hive->Values(*found));
    }
  }
}

// Windows 11 keeps "Windows 10" in its product name.
std::string WindowsName(const std::string& name, unsigned long build) {
  if (build >= machine::kFirstWindows11Build && name.rfind("Windows 10", 0) == 0)
    return "Windows 11" + name.substr(10);
  return name;
}

struct Names {
  std::string name;
  std::string build;
};

// The Windows name and build the SOFTWARE hive gives.
Names NamesOfSoftware(const Hive& software) {
  Names names;
  if (auto version = software.Find(software.Root(), "Microsoft\\Windows NT\\CurrentVersion")) {
    if (auto name = software.Text(*version, "ProductName")) names.name = Utf16ToUtf8(*name);
    if (auto build = software.Text(*version, "CurrentBuildNumber"))
      names.build = Utf16ToUtf8(*build);
  }
  return names;
}

std::shared_ptr<machine::WindowsImage> FromHives(const std::string& shown,
                                                 const fs::path& systemPath,
                                                 const std::optional<fs::path>& softwarePath,
                                                 Names names, std::ostream& notes) {
  auto image = std::make_shared<machine::WindowsImage>();
  const Hive system(systemPath.string(), shown + ": its SYSTEM hive");
  Hive::Key controlSet;
  HivePower power;
  try {
    controlSet = CurrentControlSet(system);
    power = PowerOfControlSet(system, controlSet);
  } catch (const ImageError& error) {
    // A damaged hive's message names it already.
    const std::string message = error.what();
    throw ImageError(message.rfind(shown, 0) == 0 ? message : shown + ": " + message);
  }
  image->schemes = std::move(power.schemes);
  image->activeScheme = power.activeScheme;
  image->settingNames = std::move(power.settingNames);
  std::optional<Hive> software;
  if (softwarePath) software.emplace(softwarePath->string(), shown + ": its SOFTWARE hive");
  image->hasSoftware = software.has_value();
  ReadRegistry(system, controlSet, software ? &*software : nullptr, *image);
  if (software) {
    const Names fromHive = NamesOfSoftware(*software);
    if (names.name.empty()) names.name = fromHive.name;
    if (names.build.empty()) names.build = fromHive.build;
  } else {
    notes << "presetra: " << shown
          << ": the image has no SOFTWARE hive: the build and the other SOFTWARE values come from "
             "the profile and Presetra's base image\n";
  }
  std::string label = "image " + shown;
  const bool numeric = !names.build.empty() &&
                       std::all_of(names.build.begin(), names.build.end(), ::isdigit) &&
                       names.build.size() < 9;
  if (!names.name.empty() || !names.build.empty()) {
    label += " (";
    label += names.name.empty() ? std::string("Windows")
                                : WindowsName(names.name, numeric ? std::stoul(names.build) : 0);
    if (!names.build.empty()) label += ", build " + names.build;
    label += ")";
  } else {
    label += " (a SYSTEM hive: no Windows name or build)";
  }
  image->label = label;
  machine::PrepareImage(*image);
  return image;
}

}  // namespace

std::shared_ptr<const machine::WindowsImage> ReadWindowsImage(const std::string& spec,
                                                              std::ostream& notes) {
  fs::path path = spec;
  int index = 0;
  std::error_code error;
  // "install.wim:3": image 3 of the file.
  if (!fs::exists(path, error)) {
    const std::size_t colon = spec.rfind(':');
    const std::string digits = colon == std::string::npos ? "" : spec.substr(colon + 1);
    if (digits.empty() || digits.size() > 6 ||
        !std::all_of(digits.begin(), digits.end(), ::isdigit)) {
      throw ImageError(spec + ": no such file or folder");
    }
    path = spec.substr(0, colon);
    index = std::stoi(digits);
    if (!fs::exists(path, error)) throw ImageError(path.string() + ": no such file");
    if (KindOf(path) != Kind::kWim) {
      throw ImageError(spec + ": only a WIM or ESD file has numbered images");
    }
    if (index == 0) throw ImageError(spec + ": images are numbered from 1");
  }
  switch (KindOf(path)) {
    case Kind::kWim: {
      const WimHives hives(path.string(), index);
      const std::string shown = path.string() + ":" + std::to_string(hives.Index());
      return FromHives(shown, hives.System(), hives.Software(), Names{hives.Name(), hives.Build()},
                       notes);
    }
    case Kind::kHive:
      return FromHives(spec, path, std::nullopt, Names{}, notes);
    case Kind::kFolder: {
      const auto config = FindPath(path, {"Windows", "System32", "config"});
      const auto system = config ? FindIgnoringCase(*config, "SYSTEM") : std::nullopt;
      if (!system) {
        throw ImageError(spec +
                         ": not a Windows image: the folder holds no "
                         "Windows\\System32\\config\\SYSTEM");
      }
      return FromHives(spec, *system, FindIgnoringCase(*config, "SOFTWARE"), Names{}, notes);
    }
    case Kind::kOther:
      break;
  }
  throw ImageError(spec + ": not a WIM or ESD file, a registry hive or a folder holding an image");
}

}  // namespace presetra::image
