// Windows' own defaults as powercfg serves them, read back through -qh for every scheme and both
// platform roles and compared with the table they come from: the table, the simulated store and
// the Windows stand-in (which builds its schemes from the same code) cannot drift apart.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

#include "platform/emulation/powercfg/interpreter.h"

namespace presetra::powercfg {
namespace {

// (scheme, setting) -> AC, DC, as a powercfg query prints them.
using Values = std::map<std::pair<std::string, std::string>, std::pair<std::string, std::string>>;

std::string Hex(const std::string& decimal) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08lx", std::stoul(decimal));
  return text;
}

Values FromTable(const std::string& role) {
  const std::map<std::string, std::string> schemes = {
      {"balanced", Utf16ToUtf8(kBalanced)},
      {"power_saver", Utf16ToUtf8(kPowerSaver)},
      {"high_performance", Utf16ToUtf8(kHighPerformance)}};
  Values values;
  std::ifstream table(PRESETRA_WINDOWS_DEFAULTS);
  bool header = true;
  for (std::string line; std::getline(table, line);) {
    if (line.empty() || line[0] == '#') continue;
    if (header) {
      header = false;
      continue;
    }
    std::istringstream fields(line);
    std::string subgroup, setting, scheme, rowRole, ac, dc;
    std::getline(fields, subgroup, '\t');
    std::getline(fields, setting, '\t');
    std::getline(fields, scheme, '\t');
    std::getline(fields, rowRole, '\t');
    std::getline(fields, ac, '\t');
    std::getline(fields, dc, '\t');
    if (rowRole != "any" && rowRole != role) continue;
    values[{schemes.at(scheme), Utf16ToUtf8(ToLower(Utf8ToUtf16(setting)))}] = {Hex(ac), Hex(dc)};
  }
  return values;
}

// Every value a query of each of Windows' schemes prints.
Values FromQuery(MemorySchemeStore& store, const char16_t* option) {
  Values values;
  for (const char16_t* scheme : {kBalanced, kPowerSaver, kHighPerformance}) {
    const Outcome outcome = Execute(store, WString(option) + u" " + scheme);
    EXPECT_EQ(outcome.exitCode, 0);
    std::istringstream lines(outcome.output);
    std::string setting;
    for (std::string line; std::getline(lines, line);) {
      const auto at = [&](const char* label) { return line.find(label); };
      if (at("Power Setting GUID: ") != std::string::npos) {
        setting = line.substr(at("GUID: ") + 6);
        setting = Utf16ToUtf8(ToLower(Utf8ToUtf16(setting.substr(0, setting.find(' ')))));
      } else if (at("Current AC Power Setting Index: ") != std::string::npos) {
        values[{Utf16ToUtf8(scheme), setting}].first = line.substr(line.rfind(' ') + 1);
      } else if (at("Current DC Power Setting Index: ") != std::string::npos) {
        values[{Utf16ToUtf8(scheme), setting}].second = line.substr(line.rfind(' ') + 1);
      }
    }
  }
  return values;
}

TEST(WindowsDefaultsTest, EveryRoleServesItsTableThroughPowercfg) {
  for (const auto& [role, name] :
       {std::pair{PlatformRole::kMobile, "mobile"}, std::pair{PlatformRole::kDesktop, "desktop"}}) {
    SCOPED_TRACE(name);
    MemorySchemeStore store(role);
    const Values expected = FromTable(name);
    ASSERT_EQ(expected.size(), SettingsCatalog().size() * 3);
    EXPECT_EQ(FromQuery(store, u"-qh"), expected);
  }
}

TEST(WindowsDefaultsTest, APlainQueryLeavesOutWhatWindowsHides) {
  MemorySchemeStore store;
  const Values all = FromQuery(store, u"-qh");
  const Values shown = FromQuery(store, u"-query");
  for (const auto& info : SettingsCatalog()) {
    const std::string setting = Utf16ToUtf8(ToLower(info.setting));
    const bool listed = shown.count({Utf16ToUtf8(kBalanced), setting}) != 0;
    EXPECT_EQ(listed, !info.hidden) << info.settingName;
    EXPECT_EQ(all.count({Utf16ToUtf8(kBalanced), setting}), 1u) << info.settingName;
  }
}

}  // namespace
}  // namespace presetra::powercfg
