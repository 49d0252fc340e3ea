#include "cli/run/plan.h"

#include <algorithm>
#include <map>
#include <set>

#include "cli/run/units.h"
#include "platform/emulation/powercfg/interpreter.h"
#include "platform/emulation/powercfg/settings_catalog.h"
#include "platform/emulation/powercfg/windows_defaults.h"
#include "policy/board_lists.h"

namespace presetra::cli {

namespace {

using powercfg::SettingInfo;

constexpr char kDesktopClass[] = "Desktop, RPOS or thin client";

std::string ClassOf(const std::vector<ExplainedDecision>& decisions) {
  for (const auto& decision : decisions) {
    if (decision.id == "consumer" && decision.answer) return "Consumer";
    if (decision.id == "notebook" && !decision.answer) return kDesktopClass;
    if (decision.id == "connected_standby") {
      return decision.answer ? "Notebook with Modern Standby" : "Notebook without Modern Standby";
    }
  }
  return "None (the commit stopped before choosing)";
}

std::vector<FeatureToken> TokensOf(const std::vector<FeatureQuery>& queries) {
  std::vector<FeatureToken> tokens;
  std::set<WString> seen;
  for (const auto& query : queries) {
    if (!seen.insert(query.token).second) continue;
    tokens.push_back(FeatureToken{
        Utf16ToUtf8(query.token),
        query.offset == WString::npos ? std::nullopt : std::optional<std::size_t>(query.offset)});
  }
  return tokens;
}

std::vector<std::string> BoardListsOf(const WString& board) {
  std::vector<std::string> lists;
  for (const BoardList& list : kBoardLists) {
    if (IsOneOf(board, list.boards)) lists.push_back(std::string(list.name) + ": " + list.effect);
  }
  return lists;
}

WString FileNameOf(const WString& path) {
  std::size_t slash = path.find_last_of(u"\\/");
  return slash == WString::npos ? path : path.substr(slash + 1);
}

// Why an adapter the commit did not configure was left alone, from its decisions.
std::string SkippedBecause(const Decision* pci, const Decision* wireless) {
  if (pci == nullptr) return "not among the adapters Windows listed";
  if (!pci->answer) {
    std::vector<std::string> unread;
    std::string enumerator;
    for (const auto& [name, data] : pci->values) {
      if (data.empty()) unread.push_back(Utf16ToUtf8(name));
      if (WStringView(name) == u"EnumeratorName") enumerator = Utf16ToUtf8(data);
    }
    if (!enumerator.empty() && !EqualsIgnoringCase(Utf8ToUtf16(enumerator), u"PCI")) {
      return "not a PCI device (enumerator " + enumerator + ")";
    }
    std::string why = "its device properties could not be read:";
    for (const auto& name : unread) why += " " + name;
    return why;
  }
  for (const auto& [name, data] : wireless->values) {
    if (WStringView(name) == u"HardwareID" && !data.empty()) {
      return "wireless: class code 0280 in its hardware IDs (" + Utf16ToUtf8(data) + ")";
    }
  }
  return "wireless: its description names a wireless adapter";
}

// Each adapter of the machine, configured or skipped and why, from the decisions taken on it.
std::vector<AdapterOutcome> AdaptersOf(const RunRecord& run, const std::string& klass) {
  std::vector<AdapterOutcome> outcomes;
  bool listed = false;
  for (const auto& decision : run.decisions) {
    listed = listed || (decision.question == Question::kNetworkAdaptersListed && decision.answer);
  }
  for (std::size_t index = 0; index < run.adapters.size(); ++index) {
    const Decision* pci = nullptr;
    const Decision* wireless = nullptr;
    const Decision* wmi = nullptr;
    const Decision* pnp = nullptr;
    for (const auto& decision : run.decisions) {
      if (decision.device != index) continue;
      if (decision.question == Question::kPciAdapter) pci = &decision;
      if (decision.question == Question::kWirelessAdapter) wireless = &decision;
      if (decision.question == Question::kAdapterThroughWmi) wmi = &decision;
      if (decision.question == Question::kAdapterThroughPnPCapabilities) pnp = &decision;
    }
    AdapterOutcome outcome;
    outcome.adapter = run.adapters[index];
    outcome.outcome = "skipped";
    if (klass.rfind("Notebook", 0) != 0) {
      outcome.why = "network adapters are set on notebooks only";
    } else if (!listed) {
      outcome.why = "the network adapters could not be listed";
    } else if (pci == nullptr || !pci->answer || wireless == nullptr || wireless->answer) {
      outcome.why = SkippedBecause(pci, wireless);
    } else {
      outcome.outcome = "configured";
      const std::string settings =
          wmi == nullptr || wmi->values.empty() ? "0" : Utf16ToUtf8(wmi->values.front().second);
      if (settings != "0") {
        outcome.why = "power management turned on through WMI (" + settings + " settings)";
      } else if (pnp != nullptr && pnp->answer) {
        outcome.why = "WMI refused; PnPCapabilities written";
      } else {
        outcome.outcome = "failed";
        outcome.why = "neither WMI nor PnPCapabilities took the settings";
      }
    }
    outcomes.push_back(outcome);
  }
  return outcomes;
}

struct SetByRecipe {
  std::set<powercfg::SettingKey> ac;
  std::set<powercfg::SettingKey> dc;
};

const char* SourceName(machine::ValueSource source) {
  switch (source) {
    case machine::ValueSource::kImage:
      return "image";
    case machine::ValueSource::kPc:
      return "pc";
    case machine::ValueSource::kTable:
      break;
  }
  return "table";
}

// Windows' Balanced as the image, then the profile's own schemes, give it: setting by setting,
// with where each value came from. A setting neither gives is the table's.
std::map<powercfg::SettingKey, machine::SchemeSetting> GivenBalanced(
    const machine::MachineProfile& profile) {
  std::map<powercfg::SettingKey, machine::SchemeSetting> balanced;
  auto take = [&balanced](const std::vector<machine::WindowsScheme>& schemes) {
    for (const auto& scheme : schemes) {
      if (scheme.guid != powercfg::kBalanced) continue;
      for (const auto& [key, setting] : scheme.settings) balanced[key] = setting;
    }
  };
  if (profile.windowsImage) take(profile.windowsImage->schemes);
  take(profile.schemes);
  return balanced;
}

// Balanced's values that the image or the profile's schemes give otherwise than the table.
std::vector<BalancedDifference> BalancedDifferences(
    const std::map<powercfg::SettingKey, machine::SchemeSetting>& balanced,
    powercfg::PlatformRole role) {
  std::vector<BalancedDifference> differences;
  for (const auto& info : powercfg::SettingsCatalog()) {
    auto given = balanced.find(powercfg::KeyOf(info));
    if (given == balanced.end()) continue;
    const auto table = powercfg::WindowsDefaultOf(info, powercfg::kBalanced, role);
    for (bool ac : {true, false}) {
      const std::optional<std::uint32_t> value = ac ? given->second.ac : given->second.dc;
      const std::optional<std::uint32_t> tableValue =
          table ? std::optional<std::uint32_t>(ac ? table->ac : table->dc) : std::nullopt;
      if (value == tableValue) continue;
      differences.push_back(BalancedDifference{
          Utf16ToUtf8(info.subgroup), Utf16ToUtf8(info.setting),
          std::string(info.subgroupName) + " / " + info.settingName, ac ? "AC" : "DC",
          value ? SettingValueText(info, value) : "not set",
          !tableValue                             ? "none"
          : powercfg::IsWindowsDefaultKnown(info) ? SettingValueText(info, tableValue)
                                                  : "unknown",
          SourceName(given->second.source)});
    }
  }
  return differences;
}

}  // namespace

std::string RegistryValueWritten::Text() const {
  if (type == "REG_SZ") return type + " \"" + data + "\"";
  if (type == "REG_DWORD") return type + " " + data;
  return "type " + type + " [" + data + "]";
}

std::optional<unsigned long> BuildNumber(const std::string& build) {
  if (build.empty() || build.size() > 9 ||
      !std::all_of(build.begin(), build.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  return std::stoul(build);
}

std::string WindowsOfBuild(const std::string& build) {
  const auto number = BuildNumber(build);
  return number && *number >= machine::kFirstWindows11Build ? "Windows 11" : "Windows 10";
}

Plan MakePlan(const std::string& profileText, const std::string& machineName) {
  return MakePlan(ProfileOf(profileText), machineName);
}

Plan MakePlan(const machine::MachineProfile& profile, const std::string& machineName,
              PlanSettings listed) {
  const RunRecord run = RunActions(profile, {"commit"});
  const EndState& end = run.end;

  Plan plan;
  plan.machine = machineName;
  plan.warnings = run.warnings;
  plan.board = Utf16ToUtf8(run.board);
  plan.featureBytes = Utf16ToUtf8(run.featureBytes);
  plan.connectedStandby = run.connectedStandby;
  if (run.shownBuild) plan.build = Utf16ToUtf8(*run.shownBuild);
  if (profile.windowsImage) {
    plan.windowsValues = profile.windowsImage->label;
  } else if (!profile.schemes.empty()) {
    plan.windowsValues = "this PC";
  } else {
    plan.windowsValues = "Presetra's Windows 10 table (no image given)";
    const auto build = BuildNumber(plan.build);
    plan.tableForWindows11 = build && *build >= machine::kFirstWindows11Build;
  }
  const auto balanced = GivenBalanced(profile);
  auto sourceOf = [&balanced](const powercfg::SettingKey& key) {
    auto found = balanced.find(key);
    return SourceName(found == balanced.end() ? machine::ValueSource::kTable
                                              : found->second.source);
  };
  plan.decisions = Explain(run.decisions, run.featureBytes, plan.connectedStandby.has_value());
  plan.platformClass = ClassOf(plan.decisions);
  plan.featureTokens = TokensOf(run.featureQueries);
  plan.boardLists = BoardListsOf(run.board);

  std::map<WString, SetByRecipe> setByScheme;
  for (const auto& process : run.processes) {
    if (!process.script.empty()) {
      // As the log shows it: the script's command with the redirection of its output.
      const WString redirection =
          process.redirectedTo.empty() ? WString() : u" >> \"" + process.redirectedTo + u"\"";
      plan.scripts.push_back(ScriptRun{Utf16ToUtf8(FileNameOf(process.script)),
                                       Utf16ToUtf8(process.scriptCommandLine + redirection)});
      continue;
    }
    if (!EndsWithIgnoringCase(process.program, u"powercfg.exe")) continue;
    if (EqualsIgnoringCase(process.arguments, u"-ReplaceDefaultSchemes")) {
      plan.defaultSchemesReplaced = true;
    }
  }
  for (const auto& write : run.schemeWrites) {
    auto& set = setByScheme[ToLower(write.scheme)];
    (write.ac ? set.ac : set.dc).insert(write.key);
  }
  // A value written twice shows once, where it was first written, with what it ends with.
  std::vector<const platform::RegistryWrite*> lastWrites;
  for (const auto& write : run.registryWrites) {
    auto same = std::find_if(lastWrites.begin(), lastWrites.end(), [&](const auto* known) {
      return EqualsIgnoringCase(known->keyPath, write.keyPath) &&
             EqualsIgnoringCase(known->value.name, write.value.name);
    });
    if (same == lastWrites.end()) {
      lastWrites.push_back(&write);
    } else {
      *same = &write;
    }
  }
  for (const auto* write : lastWrites)
    plan.registry.push_back(Written(write->keyPath, write->value));
  plan.adapters = AdaptersOf(run, plan.platformClass);

  const std::optional<WString>& preferred = end.preferredPlan;
  const WString shown = preferred && end.Contains(*preferred) ? *preferred : end.active;
  for (const auto& [guid, set] : setByScheme) {
    if (EqualsIgnoringCase(guid, shown)) continue;
    const powercfg::Scheme* scheme = end.Find(guid);
    if (scheme == nullptr) continue;
    for (const auto& info : powercfg::SettingsCatalog()) {
      const auto& key = powercfg::KeyOf(info);
      auto value = scheme->values.find(key);
      if (value == scheme->values.end()) continue;
      for (bool ac : {true, false}) {
        if ((ac ? set.ac : set.dc).count(key) == 0) continue;
        const std::optional<std::uint32_t>& index = ac ? value->second.ac : value->second.dc;
        if (!index) continue;
        plan.otherSchemes.push_back(OtherSchemeValue{
            Utf16ToUtf8(scheme->guid), run.SchemeName(scheme->guid), Utf16ToUtf8(info.subgroup),
            Utf16ToUtf8(info.setting), std::string(info.subgroupName) + " / " + info.settingName,
            ac ? "AC" : "DC", *index, SettingValueText(info, index)});
      }
    }
  }
  if (const powercfg::Scheme* scheme = end.Find(shown)) {
    PlannedScheme planned;
    planned.settings.reserve(powercfg::SettingsCatalog().size());
    planned.guid = Utf16ToUtf8(scheme->guid);
    planned.name = run.SchemeName(scheme->guid);
    planned.active = EqualsIgnoringCase(scheme->guid, end.active);
    planned.preferred = preferred && EqualsIgnoringCase(*preferred, scheme->guid);
    const SetByRecipe& set = setByScheme[ToLower(scheme->guid)];
    for (const auto& info : powercfg::SettingsCatalog()) {
      const auto& key = powercfg::KeyOf(info);
      auto value = scheme->values.find(key);
      if (value == scheme->values.end()) continue;
      const bool setAc = set.ac.count(key) > 0;
      const bool setDc = set.dc.count(key) > 0;
      const char* from = sourceOf(key);
      // An inherited value that no source has for Windows 10 is not shown as if it were one,
      // unless the image or the PC gave it.
      const bool known = powercfg::IsWindowsDefaultKnown(info) || std::string(from) != "table";
      auto text = [&](bool setByRecipe, const std::optional<std::uint32_t>& index) {
        return setByRecipe || known ? SettingValueText(info, index)
                                    : std::string("Windows default unknown");
      };
      planned.settings.push_back(PlannedSetting{
          Utf16ToUtf8(info.subgroup), Utf16ToUtf8(info.setting), info.subgroupName,
          info.settingName, value->second.ac, value->second.dc, known,
          text(setAc, value->second.ac), text(setDc, value->second.dc), setAc, setDc, from});
    }
    // Settings of the image that Presetra's catalog does not know, named as the image names them.
    if (profile.windowsImage && listed == PlanSettings::kAll) {
      // Named, not bound: clang 14 cannot capture a structured binding.
      for (const auto& named : profile.windowsImage->settingNames) {
        const powercfg::SettingKey& key = named.first;
        const machine::ImageSettingName& name = named.second;
        auto value = scheme->values.find(key);
        if (value == scheme->values.end()) continue;
        auto text = [&name](const std::optional<std::uint32_t>& index) {
          if (!index) return std::string("-");
          if (*index < name.choices.size()) return name.choices[*index];
          return std::to_string(*index);
        };
        planned.settings.push_back(PlannedSetting{
            Utf16ToUtf8(key.subgroup), Utf16ToUtf8(key.setting),
            name.subgroup.empty() ? std::string("(no subgroup)") : name.subgroup,
            name.name.empty() ? Utf16ToUtf8(key.setting) : name.name, value->second.ac,
            value->second.dc, true, text(value->second.ac), text(value->second.dc),
            set.ac.count(key) > 0, set.dc.count(key) > 0, sourceOf(key), true});
      }
    }
    plan.scheme = std::move(planned);
  }
  plan.balancedDifferences = BalancedDifferences(balanced, profile.platformRole);
  plan.hibernateFileSize = end.hibernateFileSize;
  return plan;
}

}  // namespace presetra::cli
