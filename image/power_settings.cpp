#include "image/power_settings.h"

#include <algorithm>
#include <cstdio>

#include "platform/guid.h"

namespace presetra::image {

namespace {

using machine::SchemeSetting;
using machine::ValueSource;
using powercfg::SettingKey;

// Windows keeps three overlays ("High Performance Overlay", "Max Performance Overlay", "Better
// Battery-life Overlay") beside its schemes under User\PowerSchemes; powercfg /list does not
// show them (both hives of the project's test data hold them; Microsoft's powercfg -LIST
// example shows only the three schemes).
constexpr const char16_t* kOverlays[] = {u"3af9b8d9-7c97-431d-ad78-34a8bfea439f",
                                         u"ded574b5-45a0-4f42-8737-46345c09c238",
                                         u"961cc777-2547-4f9d-8174-7d86181b8a7a"};

bool IsOverlay(const WString& guid) {
  return std::any_of(std::begin(kOverlays), std::end(kOverlays),
                     [&](const char16_t* overlay) { return EqualsIgnoringCase(guid, overlay); });
}

bool IsGuid(const std::string& name) {
  return platform::IsGuidText(Utf8ToUtf16(name));
}

// The value one power source gets by default: the override Windows provisioned for the
// platform, else the provisioned value, else the built-in one.
std::optional<std::uint32_t> DefaultIndex(const Hive& hive, Hive::Key key, const char* mode) {
  for (const char* prefix : {"Override", "Prov", ""}) {
    if (auto index = hive.Dword(key, std::string(prefix) + mode + "SettingIndex")) return index;
  }
  return std::nullopt;
}

// A setting's name and choices as the hive gives them, for one the catalog does not know.
machine::ImageSettingName NameOf(const Hive& hive, Hive::Key setting, const std::string& subgroup) {
  machine::ImageSettingName name;
  name.subgroup = subgroup;
  if (auto text = hive.Text(setting, "FriendlyName")) name.name = DisplayName(*text);
  Hive::Key choices = hive.Find(setting, "PossibleSettings").value_or(setting);
  std::map<unsigned long, std::string> byIndex;
  for (const auto& [child, key] : hive.Subkeys(choices)) {
    if (child.empty() || !std::all_of(child.begin(), child.end(), ::isdigit) || child.size() > 9) {
      continue;
    }
    auto text = hive.Text(key, "FriendlyName");
    byIndex[std::stoul(child)] = text ? DisplayName(*text) : child;
  }
  for (const auto& [index, text] : byIndex) {
    if (index != name.choices.size()) break;  // choices are 0, 1, 2, ... without gaps
    name.choices.push_back(text);
  }
  return name;
}

struct Defaults {
  // By scheme (lower case), the default of each setting.
  std::map<WString, std::map<SettingKey, SchemeSetting>> bySchemes;
  std::map<SettingKey, machine::ImageSettingName> names;
};

void ReadSetting(const Hive& hive, const WString& subgroup, const std::string& subgroupName,
                 const std::string& settingName, Hive::Key setting, Defaults& defaults) {
  const SettingKey key{ToLower(subgroup), ToLower(Utf8ToUtf16(settingName))};
  if (powercfg::FindSetting(key.subgroup, key.setting) == nullptr) {
    defaults.names[key] = NameOf(hive, setting, subgroupName);
  }
  const auto values = hive.Find(setting, "DefaultPowerSchemeValues");
  if (!values) return;
  for (const auto& [scheme, schemeKey] : hive.Subkeys(*values)) {
    if (!IsGuid(scheme)) continue;
    defaults.bySchemes[ToLower(Utf8ToUtf16(scheme))][key] =
        SchemeSetting{DefaultIndex(hive, schemeKey, "Ac"), DefaultIndex(hive, schemeKey, "Dc"),
                      ValueSource::kImage};
  }
}

Defaults ReadDefaults(const Hive& hive, Hive::Key powerSettings) {
  Defaults defaults;
  for (const auto& [name, key] : hive.Subkeys(powerSettings)) {
    if (!IsGuid(name)) continue;
    // A setting stored directly under PowerSettings has no subgroup.
    if (hive.Find(key, "DefaultPowerSchemeValues")) {
      ReadSetting(hive, powercfg::kNoSubgroup, "", name, key, defaults);
      continue;
    }
    const WString subgroup = ToLower(Utf8ToUtf16(name));
    std::string subgroupName;
    if (const char* known = powercfg::SubgroupName(subgroup)) {
      subgroupName = known;
    } else if (auto text = hive.Text(key, "FriendlyName")) {
      subgroupName = DisplayName(*text);
    }
    for (const auto& [settingName, setting] : hive.Subkeys(key)) {
      if (IsGuid(settingName))
        ReadSetting(hive, subgroup, subgroupName, settingName, setting, defaults);
    }
  }
  return defaults;
}

// What Windows wrote for one setting of a scheme under User\PowerSchemes: it wins over the
// default, mode by mode.
void LayWrite(const Hive& hive, Hive::Key key, const SettingKey& setting,
              std::map<SettingKey, SchemeSetting>& settings) {
  const auto ac = hive.Dword(key, "ACSettingIndex");
  const auto dc = hive.Dword(key, "DCSettingIndex");
  if (!ac && !dc) return;
  SchemeSetting& value = settings[setting];
  value.source = ValueSource::kImage;
  if (ac) value.ac = ac;
  if (dc) value.dc = dc;
}

}  // namespace

std::string DisplayName(const WString& text) {
  const std::string utf8 = Utf16ToUtf8(text);
  if (utf8.empty() || utf8[0] != '@') return utf8;
  const std::size_t comma = utf8.rfind(',');
  return comma == std::string::npos ? utf8 : utf8.substr(comma + 1);
}

Hive::Key CurrentControlSet(const Hive& system) {
  const auto select = system.Find(system.Root(), "Select");
  const auto current = select ? system.Dword(*select, "Current") : std::nullopt;
  if (!current) throw ImageError("it holds no Select\\Current: it is no SYSTEM hive");
  char name[32];
  std::snprintf(name, sizeof name, "ControlSet%03u", static_cast<unsigned>(*current));
  const auto controlSet = system.Find(system.Root(), name);
  if (!controlSet) {
    throw ImageError(std::string("Select\\Current names ") + name +
                     ", which the hive does not have");
  }
  return *controlSet;
}

HivePower PowerOfControlSet(const Hive& system, Hive::Key controlSet) {
  const auto user = system.Find(controlSet, "Control\\Power\\User\\PowerSchemes");
  if (!user) throw ImageError("it holds no power schemes (Control\\Power\\User\\PowerSchemes)");
  Defaults defaults;
  if (auto powerSettings = system.Find(controlSet, "Control\\Power\\PowerSettings")) {
    defaults = ReadDefaults(system, *powerSettings);
  }
  HivePower power;
  power.settingNames = std::move(defaults.names);
  if (auto active = system.Text(*user, "ActivePowerScheme")) power.activeScheme = ToLower(*active);
  for (const auto& [name, key] : system.Subkeys(*user)) {
    const WString guid = ToLower(Utf8ToUtf16(name));
    if (!platform::IsGuidText(guid) || IsOverlay(guid)) continue;
    machine::WindowsScheme scheme;
    scheme.guid = guid;
    scheme.name = system.Text(key, "FriendlyName");
    scheme.settings = defaults.bySchemes[guid];
    for (const auto& [childName, child] : system.Subkeys(key)) {
      if (!IsGuid(childName)) continue;
      const WString childGuid = ToLower(Utf8ToUtf16(childName));
      // A setting without a subgroup sits directly under the scheme.
      LayWrite(system, child, SettingKey{powercfg::kNoSubgroup, childGuid}, scheme.settings);
      for (const auto& [settingName, setting] : system.Subkeys(child)) {
        if (IsGuid(settingName)) {
          LayWrite(system, setting, SettingKey{childGuid, ToLower(Utf8ToUtf16(settingName))},
                   scheme.settings);
        }
      }
    }
    power.schemes.push_back(std::move(scheme));
  }
  std::stable_partition(power.schemes.begin(), power.schemes.end(),
                        [](const auto& scheme) { return scheme.guid == powercfg::kBalanced; });
  return power;
}

}  // namespace presetra::image
