#include "cli/live/verify.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>

#include "cli/live/capture.h"
#include "cli/live/live_state.h"
#include "cli/run/file_text.h"
#include "cli/run/simulated_run.h"
#include "cli/run/units.h"
#include "machine/layout.h"
#include "platform/bytes_text.h"
#include "platform/guid.h"
#include "power/power_scheme.h"

namespace presetra::cli {

namespace {

using powercfg::Scheme;
using powercfg::SettingInfo;
using powercfg::SettingKey;

bool IsTimeStamp(const std::string& text) {
  return text.size() == 12 && text[2] == ':' && text[5] == ':' && text[8] == ':';
}

std::optional<std::uint32_t> ParseNumber(const std::string& text) {
  if (text.empty() || text.size() > 10 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  const unsigned long long value = std::stoull(text);
  if (value > 0xFFFFFFFFull) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

const SettingInfo* SettingNamed(const std::string& subgroupAndName) {
  for (const auto& info : powercfg::SettingsCatalog()) {
    if (std::string(info.subgroupName) + " / " + info.settingName == subgroupAndName) return &info;
  }
  return nullptr;
}

// "    Sleep / Sleep after: AC 1200, DC 900": the setting and its two values.
bool ParseSettingLine(const std::string& line, const SettingInfo** info, powercfg::AcDc* values) {
  const std::size_t colon = line.rfind(": AC ");
  const std::size_t dc = line.rfind(", DC ");
  if (colon == std::string::npos || dc == std::string::npos || dc < colon) return false;
  *info = SettingNamed(line.substr(4, colon - 4));
  if (*info == nullptr) return false;
  const std::string ac = line.substr(colon + 5, dc - colon - 5);
  const std::string dcText = line.substr(dc + 5);
  values->ac = ParseNumber(ac);
  values->dc = ParseNumber(dcText);
  return (values->ac || ac == "-") && (values->dc || dcText == "-");
}

std::string RegistryText(const std::optional<platform::RegistryValue>& value, const WString& key) {
  return value ? Written(key, *value).Text() : "absent";
}

}  // namespace

EndState ParseEndState(const std::string& text, powercfg::PlatformRole role) {
  EndState state;
  const std::vector<Scheme>& windows = powercfg::WindowsSchemes(role);
  std::vector<Scheme> listed;
  bool sawSchemes = false;
  std::istringstream lines(text);
  std::size_t number = 0;
  auto refuse = [&number](const std::string& what) {
    throw StateError("line " + std::to_string(number) + ": " + what);
  };
  for (std::string line; std::getline(lines, line);) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    const std::vector<std::string> fields = SplitTabs(line);
    if (fields.size() == 2 && IsTimeStamp(fields[0])) continue;  // the commit's log
    if (line == "Power schemes (* active):") {
      sawSchemes = true;
      continue;
    }
    if (line.rfind("Preferred plan: ", 0) == 0) {
      state.preferredPlan = Utf8ToUtf16(line.substr(16));
      continue;
    }
    if (line.rfind("Hibernation file size: ", 0) == 0 && line.size() > 25 &&
        line.substr(line.size() - 2) == " %") {
      state.hibernateFileSize = ParseNumber(line.substr(23, line.size() - 25));
      if (!state.hibernateFileSize) refuse("expected \"Hibernation file size: N %\"");
      continue;
    }
    if (line.rfind("    Description: ", 0) == 0) continue;
    if (line.rfind("    ", 0) == 0) {
      const SettingInfo* info = nullptr;
      powercfg::AcDc values;
      if (listed.empty() || !ParseSettingLine(line, &info, &values)) {
        refuse("expected \"    Subgroup / Setting: AC n, DC n\" of a known setting");
      }
      listed.back().values[powercfg::KeyOf(*info)] = values;
      continue;
    }
    if (line.rfind("  ", 0) == 0 && fields.size() == 1) {
      // "  guid  Name *": a scheme; Windows' own start from Windows' values.
      const std::size_t end = line.find("  ", 2);
      if (end == std::string::npos) refuse("expected \"  GUID  name\"");
      Scheme scheme;
      scheme.guid = ToLower(Utf8ToUtf16(line.substr(2, end - 2)));
      for (const auto& known : windows) {
        if (EqualsIgnoringCase(known.guid, scheme.guid)) scheme = known;
      }
      scheme.name = Utf8ToUtf16(line.substr(end + 2));
      if (scheme.name.size() >= 2 && scheme.name.substr(scheme.name.size() - 2) == u" *") {
        scheme.name.resize(scheme.name.size() - 2);
        state.active = scheme.guid;
      }
      listed.push_back(scheme);
      continue;
    }
    if (fields.size() == 3 && fields[2] == "absent") {
      state.registry[RegistryName(Utf8ToUtf16(fields[0]), Utf8ToUtf16(fields[1]))] = std::nullopt;
      continue;
    }
    if (fields.size() == 4 && fields[3] == "True") {
      state.wmiOn.emplace(ToUpper(Utf8ToUtf16(fields[0])), ToUpper(Utf8ToUtf16(fields[1])),
                          ToUpper(Utf8ToUtf16(fields[2])));
      continue;
    }
    if (fields.size() == 4) {
      const auto type = ParseNumber(fields[2]);
      const auto bytes = BytesOfHex(fields[3]);
      if (!type || !bytes) refuse("expected \"key<TAB>name<TAB>type<TAB>hex bytes\"");
      state.registry[RegistryName(Utf8ToUtf16(fields[0]), Utf8ToUtf16(fields[1]))] =
          platform::RegistryValue{Utf8ToUtf16(fields[1]), *type, *bytes};
      continue;
    }
    refuse("not a line of a state dump: \"" + line + "\"");
  }
  if (!sawSchemes) throw StateError("no \"Power schemes (* active):\" list: run with --schemes");
  state.schemes = std::move(listed);
  return state;
}

Verification Verify(const std::string& profileText, const std::string& stateText) {
  const RunRecord run = RunActions(profileText, {"commit"});
  return Compare(run, ParseEndState(stateText, run.platformRole));
}

Verification Compare(const RunRecord& planned, const EndState& have) {
  const EndState& want = planned.end;
  Verification result;
  auto drift = [&result](std::string what, std::string wantText, std::string haveText) {
    if (wantText != haveText) result.drifts.push_back(Drift{what, wantText, haveText});
  };

  const std::optional<WString>& plan = want.preferredPlan;
  std::set<WString> missing;
  for (const auto& scheme : want.schemes) {
    const bool ours = plan && EqualsIgnoringCase(*plan, scheme.guid);
    const bool touched = std::any_of(
        planned.schemeWrites.begin(), planned.schemeWrites.end(),
        [&scheme](const auto& write) { return EqualsIgnoringCase(write.scheme, scheme.guid); });
    if (!ours && !touched) continue;
    if (!have.Contains(scheme.guid)) {
      drift(
          "Power scheme " + planned.SchemeName(scheme.guid) + " (" + Utf16ToUtf8(scheme.guid) + ")",
          "present", "missing");
      missing.insert(ToLower(scheme.guid));
    }
  }
  if (plan) {
    const std::string guid = Utf16ToUtf8(*plan);
    const bool active = EqualsIgnoringCase(have.active, *plan);
    const WString& other = have.active;
    drift("Active power scheme", guid,
          active ? guid : (other.empty() ? std::string("none") : Utf16ToUtf8(other)));
    drift("Preferred plan", guid, have.preferredPlan ? Utf16ToUtf8(*have.preferredPlan) : "none");
  }
  if (want.hibernateFileSize) {
    drift("Hibernation file size (powercfg /HIBERNATE /SIZE)",
          std::to_string(*want.hibernateFileSize) + " % of memory",
          have.hibernateFileSize ? std::to_string(*have.hibernateFileSize) + " % of memory"
                                 : "none set (Windows sizes the file)");
  }

  std::set<std::tuple<WString, SettingKey, bool>> seen;
  for (const auto& write : planned.schemeWrites) {
    const WString guid = ToLower(write.scheme);
    if (missing.count(guid) != 0 || !seen.emplace(guid, write.key, write.ac).second) continue;
    const SettingInfo* info = powercfg::FindSetting(write.key.subgroup, write.key.setting);
    const Scheme* wanted = want.Find(guid);
    const Scheme* had = have.Find(guid);
    if (info == nullptr || wanted == nullptr || had == nullptr) continue;
    auto pick = [&write](const Scheme& scheme) -> std::optional<std::uint32_t> {
      auto value = scheme.values.find(write.key);
      if (value == scheme.values.end()) return std::nullopt;
      return write.ac ? value->second.ac : value->second.dc;
    };
    const std::string what = planned.SchemeName(wanted->guid) + ": " + info->subgroupName + " / " +
                             info->settingName + (write.ac ? " (AC)" : " (DC)");
    // A setting the recipe names by powercfg's alias alone cannot be read back through the
    // power API, on a PC or from a dump alike.
    if (!platform::GuidFromText(write.key.setting)) {
      result.unread.push_back({what, "the recipe names it by powercfg's alias " +
                                         Utf16ToUtf8(ToUpper(write.key.setting)) +
                                         ", and no GUID is known to read it by"});
      continue;
    }
    drift(what, SettingValueText(*info, pick(*wanted)), SettingValueText(*info, pick(*had)));
  }

  // In the order and the spelling the commit wrote them, each value once; the preferred plan
  // has its own line above.
  const auto preferredPlanValue =
      RegistryName(u"HKLM\\" + WString(kPreferredPlanKey), u"PreferredPlan");
  std::set<std::pair<WString, WString>> checked;
  for (const auto& write : planned.registryWrites) {
    const auto name = RegistryName(write.keyPath, write.value.name);
    if (!checked.insert(name).second || name == preferredPlanValue) continue;
    const std::string what =
        "Registry " + Utf16ToUtf8(write.keyPath) + "\\" + Utf16ToUtf8(write.value.name);
    auto found = have.registry.find(name);
    if (found == have.registry.end()) {
      result.unread.push_back({what, have.unreadWhy});
      continue;
    }
    drift(what, RegistryText(want.registry.at(name), write.keyPath),
          RegistryText(found->second, write.keyPath));
  }
  for (const auto& write : planned.wmiWrites) {
    const std::string what = "Adapter " + Utf16ToUtf8(write.instanceName) + ": " +
                             Utf16ToUtf8(write.className) + "." + Utf16ToUtf8(write.property);
    if (!have.wmiRead) {
      result.unread.push_back({what, have.unreadWhy});
      continue;
    }
    const bool on = have.wmiOn.count({ToUpper(write.className), ToUpper(write.instanceName),
                                      ToUpper(write.property)}) != 0;
    drift(what, "On", on ? "On" : "Off");
  }
  return result;
}

int RunVerify(const Arguments& arguments, std::ostream& out, std::ostream& err, ThisPc* thisPc) {
  const std::string machineFile = arguments.Value("--machine");
  const std::string stateFile = arguments.Value("--state");
  const std::string format = arguments.Value("--format", "text");
  if (stateFile.empty() && thisPc == nullptr) {
    err << "presetra verify: --state is needed: this build reads no live PC\n" << arguments.Usage();
    return 2;
  }
  std::string profileText;
  std::string source;
  if (!ReadProfileOrThisPc(machineFile, thisPc, &profileText, &source, err)) return 2;
  std::optional<std::string> stateText;
  if (!stateFile.empty()) {
    std::string problem;
    stateText = ReadFileText(stateFile, &problem);
    if (!stateText) {
      err << "presetra: " << stateFile << ": " << problem << "\n";
      return 2;
    }
  }
  Verification verification;
  try {
    const RunRecord run = RunActions(profileText, {"commit"});
    if (stateText) {
      verification = Compare(run, ParseEndState(*stateText, run.platformRole));
    } else {
      std::vector<std::string> problems;
      const EndState have = ReadLiveEndState(thisPc->system, run, &problems);
      for (const auto& problem : problems) err << "presetra verify: " << problem << "\n";
      verification = Compare(run, have);
    }
  } catch (const UnusableProfile& error) {
    err << "presetra: " << source << ": " << error.what() << "\n";
    return 2;
  } catch (const StateError& error) {
    err << "presetra: " << stateFile << ": " << error.what() << "\n";
    return 2;
  }
  if (format == "json") {
    nlohmann::ordered_json json;
    json["presetra_verify"] = 1;
    json["machine"] = source;
    json["drifts"] = nlohmann::ordered_json::array();
    for (const auto& drift : verification.drifts) {
      json["drifts"].push_back({{"what", drift.what}, {"want", drift.want}, {"have", drift.have}});
    }
    json["unread"] = nlohmann::ordered_json::array();
    for (const auto& unread : verification.unread) {
      json["unread"].push_back({{"what", unread.what}, {"why", unread.why}});
    }
    out << json.dump(2) << "\n";
  } else {
    for (const auto& drift : verification.drifts) {
      out << drift.what << ": the recipe wants " << drift.want << ", the PC has " << drift.have
          << "\n";
    }
    for (const auto& unread : verification.unread) {
      out << unread.what << ": " << unread.why << ", not checked\n";
    }
    if (verification.drifts.empty() && verification.unread.empty()) {
      out << "No differences: the PC has its recipe.\n";
    } else if (!verification.drifts.empty()) {
      out << verification.drifts.size()
          << (verification.drifts.size() == 1 ? " difference" : " differences")
          << ": the PC has drifted from its recipe.\n";
    }
  }
  // A drift found is the news, also where something else could not be checked.
  if (!verification.drifts.empty()) return 1;
  return verification.unread.empty() ? 0 : 2;
}

}  // namespace presetra::cli
