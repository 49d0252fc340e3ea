#include "platform/emulation/powercfg/settings_catalog.h"

#include <cstdint>
#include <map>
#include <stdexcept>
#include <utility>

namespace presetra::powercfg {

namespace {
const std::vector<const char*> kOffOn = {"Off", "On"};
// Critical and low battery actions, and the lid: what Windows 10 offers there.
const std::vector<const char*> kAction = {"Do nothing", "Sleep", "Hibernate", "Shut down"};
// The power and sleep buttons can also turn the display off (index 4, H1).
const std::vector<const char*> kButtonAction = {"Do nothing", "Sleep", "Hibernate", "Shut down",
                                                "Turn off the display"};
constexpr bool kHidden = true;
}  // namespace

// Names, aliases, units and choices as Windows 10's powercfg /q shows them; the order of the AHCI
// link power choices and the hidden settings as the SYSTEM hives H1 and H2 have them (see
// windows_defaults.tsv for the hives).
const std::vector<SettingInfo>& SettingsCatalog() {
  // clang-format off
  static const std::vector<SettingInfo> catalog = {
      // Hard disk
      {u"0012ee47-9041-4b5d-9b77-535fba8b1442", "Hard disk", u"6738e2c4-e8a5-4a42-b16a-e040e769756e", "Turn off hard disk after", u"DISKIDLE", "Seconds", {}},
      {u"0012ee47-9041-4b5d-9b77-535fba8b1442", "Hard disk", u"0b2d69d7-a2a1-449c-9680-f91c70521c60", "AHCI Link Power Management - HIPM/DIPM", nullptr, "", {"Active", "HIPM", "HIPM+DIPM", "DIPM", "Lowest"}, kHidden},
      {u"0012ee47-9041-4b5d-9b77-535fba8b1442", "Hard disk", u"dab60367-53fe-4fbc-825e-521d069d2456", "AHCI Link Power Management - Adaptive", nullptr, "Milliseconds", {}, kHidden},
      // Internet Explorer
      {u"02f815b5-a5cf-4c84-bf20-649d1f75d3d8", "Internet Explorer", u"4c793e7d-a264-42e1-87d3-7a0d2f523ccd", "JavaScript Timer Frequency", nullptr, "", {"Maximum Power Savings", "Maximum Performance"}},
      // Desktop background settings
      {u"0d7dbae2-4294-402a-ba8e-26777e8488cd", "Desktop background settings", u"309dce9b-bef4-4119-9921-a851fb12f0f4", "Slide show", nullptr, "", {"Available", "Paused"}},
      // Wireless Adapter Settings
      {u"19cbb8fa-5279-450e-9fac-8a3d5fedd0c1", "Wireless Adapter Settings", u"12bbebe6-58d6-4636-95bb-3217ef867c1a", "Power Saving Mode", nullptr, "", {"Maximum Performance", "Low Power Saving", "Medium Power Saving", "Maximum Power Saving"}},
      // Sleep
      {u"238c9fa8-0aad-41ed-83f4-97be242c8f20", "Sleep", u"29f6c1db-86da-48c5-9fdb-f2b67b1f44da", "Sleep after", u"STANDBYIDLE", "Seconds", {}},
      {u"238c9fa8-0aad-41ed-83f4-97be242c8f20", "Sleep", u"94ac6d29-73ce-41a6-809f-6363ba21b47e", "Allow hybrid sleep", u"HYBRIDSLEEP", "", kOffOn},
      {u"238c9fa8-0aad-41ed-83f4-97be242c8f20", "Sleep", u"9d7815a6-7ee4-497e-8888-515a05f02364", "Hibernate after", u"HIBERNATEIDLE", "Seconds", {}},
      {u"238c9fa8-0aad-41ed-83f4-97be242c8f20", "Sleep", u"bd3b718a-0680-4d9d-8ab2-e1d2b4ac806d", "Allow wake timers", u"RTCWAKE", "", {"Disable", "Enable", "Important Wake Timers Only"}},
      // USB settings
      {u"2a737441-1930-4402-8d77-b2bebba308a3", "USB settings", u"48e6b7a6-50f5-4782-a5d4-53bb8f07e226", "USB selective suspend setting", nullptr, "", {"Disabled", "Enabled"}},
      // Power buttons and lid
      {u"4f971e89-eebd-4455-a8de-9e59040e7347", "Power buttons and lid", u"5ca83367-6e45-459f-a27b-476b1d01c936", "Lid close action", u"LIDACTION", "", kAction},
      {u"4f971e89-eebd-4455-a8de-9e59040e7347", "Power buttons and lid", u"7648efa3-dd9c-4e3e-b566-50f929386280", "Power button action", u"PBUTTONACTION", "", kButtonAction},
      {u"4f971e89-eebd-4455-a8de-9e59040e7347", "Power buttons and lid", u"96996bc0-ad50-47ec-923b-6f41874dd9eb", "Sleep button action", u"SBUTTONACTION", "", kButtonAction},
      {u"4f971e89-eebd-4455-a8de-9e59040e7347", "Power buttons and lid", u"a7066653-8d6c-40a8-910e-a1f54b84c7e5", "Start menu power button", u"UIBUTTON_ACTION", "", {"Sleep", "Hibernate", "Shut down"}},
      // PCI Express
      {u"501a4d13-42af-4429-9fd1-a8218c268e20", "PCI Express", u"ee12f906-d277-404b-b6da-e5fa1a576df5", "Link State Power Management", u"ASPM", "", {"Off", "Moderate power savings", "Maximum power savings"}},
      // Processor power management
      {u"54533251-82be-4824-96c1-47b60b740d00", "Processor power management", u"893dee8e-2bef-41e0-89c6-b55d0929964c", "Minimum processor state", u"PROCTHROTTLEMIN", "%", {}},
      {u"54533251-82be-4824-96c1-47b60b740d00", "Processor power management", u"94d3a615-a899-4ac5-ae2b-e4d8f634367f", "System cooling policy", u"SYSCOOLPOL", "", {"Passive", "Active"}},
      {u"54533251-82be-4824-96c1-47b60b740d00", "Processor power management", u"bc5038f7-23e0-4960-96da-33abaf5935ec", "Maximum processor state", u"PROCTHROTTLEMAX", "%", {}},
      // Display
      {u"7516b95f-f776-4464-8c53-06167f40cc99", "Display", u"17aaa29b-8b43-4b94-aafe-35f64daaf1ee", "Dim display after", u"VIDEODIM", "Seconds", {}, kHidden},
      {u"7516b95f-f776-4464-8c53-06167f40cc99", "Display", u"3c0bc021-c8a8-4e07-a973-6b14cbcb2b7e", "Turn off display after", u"VIDEOIDLE", "Seconds", {}},
      {u"7516b95f-f776-4464-8c53-06167f40cc99", "Display", u"aded5e82-b909-4619-9949-f5d71dac0bcb", "Display brightness", u"VIDEONORMALLEVEL", "%", {}},
      {u"7516b95f-f776-4464-8c53-06167f40cc99", "Display", u"f1fbfde2-a960-4165-9f88-50667911ce96", "Dimmed display brightness", u"VIDEODIMLEVEL", "%", {}},
      {u"7516b95f-f776-4464-8c53-06167f40cc99", "Display", u"fbd9aa66-9553-4097-ba44-ed6e9d65eab8", "Enable adaptive brightness", u"ADAPTBRIGHT", "", kOffOn},
      // Multimedia settings
      {u"9596fb26-9850-41fd-ac3e-f7c3c00afd4b", "Multimedia settings", u"03680956-93bc-4294-bba6-4e0f09bb717f", "When sharing media", nullptr, "", {"Allow the computer to sleep", "Prevent idling to sleep", "Allow the computer to enter Away Mode"}},
      {u"9596fb26-9850-41fd-ac3e-f7c3c00afd4b", "Multimedia settings", u"10778347-1370-4ee0-8bbd-33bdacaade49", "Video playback quality bias", nullptr, "", {"Video playback power-saving bias", "Video playback performance bias"}},
      {u"9596fb26-9850-41fd-ac3e-f7c3c00afd4b", "Multimedia settings", u"34c7b99f-9a6d-4b3c-8dc7-b6693b78cef4", "When playing video", nullptr, "", {"Optimize video quality", "Balanced", "Optimize power savings"}},
      // Battery
      {u"e73a048d-bf27-4f12-9731-8b2076e8891f", "Battery", u"637ea02f-bbcb-4015-8e2c-a1c7b9c0b546", "Critical battery action", u"BATACTIONCRIT", "", kAction},
      {u"e73a048d-bf27-4f12-9731-8b2076e8891f", "Battery", u"8183ba9a-e910-48da-8769-14ae6dc1170a", "Low battery level", u"BATLEVELLOW", "%", {}},
      {u"e73a048d-bf27-4f12-9731-8b2076e8891f", "Battery", u"9a66d8d7-4ff7-4ef9-b5a2-5a326ca2a469", "Critical battery level", u"BATLEVELCRIT", "%", {}},
      {u"e73a048d-bf27-4f12-9731-8b2076e8891f", "Battery", u"bcded951-187b-4d05-bccc-f7e51960c258", "Low battery notification", u"BATFLAGSLOW", "", kOffOn},
      {u"e73a048d-bf27-4f12-9731-8b2076e8891f", "Battery", u"5dbb7c9f-38e9-40d2-9749-4f8a0e9f640f", "Critical battery notification", u"BATFLAGSCRIT", "", kOffOn},
      {u"e73a048d-bf27-4f12-9731-8b2076e8891f", "Battery", u"d8742dcb-3e6a-4b3c-b3fe-374623cdcf06", "Low battery action", u"BATACTIONLOW", "", kAction},
      {u"e73a048d-bf27-4f12-9731-8b2076e8891f", "Battery", u"f3c5027d-cd16-4930-aa6b-90db844a8f00", "Reserve battery level", nullptr, "%", {}},
      // The Connected Standby battery saver, as Windows 8.1 names and hides it (H3); Windows 10
      // does not register it (H1, H2), and what its action's indexes mean is not known.
      {u"e73a048d-bf27-4f12-9731-8b2076e8891f", "Battery", u"7398e821-3937-4469-b07b-33eb785aaca1", "CS Battery Saver Timeout", nullptr, "Seconds", {}, kHidden},
      {u"e73a048d-bf27-4f12-9731-8b2076e8891f", "Battery", u"1e133d45-a325-48da-8769-14ae6dc1170b", "CS Battery Saver Trip Point", nullptr, "%", {}, kHidden},
      {u"e73a048d-bf27-4f12-9731-8b2076e8891f", "Battery", u"c10ce532-2eb1-4b3c-b3fe-374623cdcf07", "CS Battery Saver Action", nullptr, "", {}, kHidden},
      // Settings that belong to no subgroup
      {kNoSubgroup, "(no subgroup)", u"0e796bdb-100d-47d6-a2d5-f7d2daa51f51", "Require a password on wakeup", u"CONSOLELOCK", "", {"No", "Yes"}, kHidden},
      {kNoSubgroup, "(no subgroup)", u"WIFIINSTANDBY", "Wi-Fi in standby", u"WIFIINSTANDBY", "", {}},
      // Presence Aware Power Behavior (H1, H2: powrprof.dll,-1183 and its setting)
      {u"8619b916-e004-4dd8-9b66-dae86f806698", "Presence Aware Power Behavior", u"9fe527be-1b70-48da-930d-7bcf17b44990", "Standby Budget Percent", nullptr, "%", {}, kHidden},
  };
  // clang-format on
  return catalog;
}

std::size_t CatalogPosition(const SettingInfo& info) {
  const auto& catalog = SettingsCatalog();
  // Compared as addresses as integers: comparing pointers into different arrays is unspecified.
  const auto at = reinterpret_cast<std::uintptr_t>(&info);
  const auto first = reinterpret_cast<std::uintptr_t>(catalog.data());
  if (at < first || at >= first + catalog.size() * sizeof(SettingInfo) ||
      (at - first) % sizeof(SettingInfo) != 0) {
    throw std::invalid_argument("not a setting of the catalog");
  }
  return (at - first) / sizeof(SettingInfo);
}

const SettingKey& KeyOf(const SettingInfo& info) {
  static const std::vector<SettingKey> keys = [] {
    std::vector<SettingKey> made;
    for (const auto& entry : SettingsCatalog()) {
      made.push_back(SettingKey{ToLower(entry.subgroup), ToLower(entry.setting)});
    }
    return made;
  }();
  return keys[CatalogPosition(info)];
}

const SettingInfo* FindSetting(WStringView subgroup, WStringView setting) {
  // Every command line names a setting; an index by subgroup and setting (or alias), compared
  // ignoring case, keeps that from walking the catalog.
  using Key = std::pair<WStringView, WStringView>;
  struct IgnoringCase {
    bool operator()(const Key& a, const Key& b) const {
      const int first = CompareIgnoringCase(a.first, b.first);
      return first != 0 ? first < 0 : CompareIgnoringCase(a.second, b.second) < 0;
    }
  };
  using Index = std::map<Key, const SettingInfo*, IgnoringCase>;
  static const Index index = [] {
    Index built;
    for (const auto& info : SettingsCatalog()) {
      built.emplace(Key(info.subgroup, info.setting), &info);
      if (info.alias != nullptr) built.emplace(Key(info.subgroup, info.alias), &info);
    }
    return built;
  }();
  auto found = index.find(Key(subgroup, setting));
  return found == index.end() ? nullptr : found->second;
}

const char* SubgroupName(WStringView subgroup) {
  for (const auto& info : SettingsCatalog()) {
    if (EqualsIgnoringCase(info.subgroup, subgroup)) return info.subgroupName;
  }
  return nullptr;
}

}  // namespace presetra::powercfg
