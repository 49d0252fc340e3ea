#include "cli/plan.h"

#include <algorithm>
#include <map>
#include <set>

#include "platform/sim/powercfg/interpreter.h"
#include "platform/sim/powercfg/settings_catalog.h"
#include "platform/sim/powercfg/windows_defaults.h"
#include "policy/board_lists.h"

namespace presetra::cli {

namespace {

using sim::powercfg::SettingInfo;

// The log lines that record a decision, what was decided, and the short form of the fleet
// table.
struct DecisionLine {
  const char16_t* line;
  const char* question;
  const char* answer;
  const char* label;
};

constexpr char kConsumerQuestion[] = "Consumer product (7K, 7P and 7W)";
constexpr char kTabletQuestion[] = "Tablet (bT)";
constexpr char kDesktopFeatureQuestion[] = "Feature 3a or aN (desktop)";
constexpr char kDesktopClass[] = "Desktop, RPOS or thin client";

constexpr DecisionLine kDecisionLines[] = {
    {u"Is Concumer Products", kConsumerQuestion, "yes", "consumer"},
    {u"Tablet detected. Set AutoRotation Enable.", kTabletQuestion, "yes", "tablet"},
    {u"20H2 and after", "Build 19042 (20H2) or later", "yes: SecureBIO left as it is", "20H2+"},
    {u"SecureBIO enablement", "Build 19042 (20H2) or later", "no: SecureBIO turned off",
     "pre-20H2"},
    {u"Notebook System", "Notebook (aw or bT, or no feature bytes)", "yes", "notebook"},
    {u"Detected as Desktop, RPOS or Thin Client", "Notebook (aw or bT, or no feature bytes)",
     "no: desktop, RPOS or thin client", "desktop"},
    {u"QUORLIN found, apply AdaptiveDisplayBrightness registry.", "Quorlin board",
     "yes: adaptive-brightness curve written", "Quorlin"},
    {u"Connected Standby supported", "Connected Standby", "yes", "CS"},
    {u"Connected Standby Not Supported", "Connected Standby", "no", "no CS"},
    {u"gu feature is detected.", "Feature gu", "yes", "gu"},
    {u"gu feature NOT detected", "Feature gu", "no: Modern Standby package runs", "no gu"},
    {u"RS 1/2", "Build before 16299 (RS3)", "yes: Modern Standby package runs", "RS1/2"},
    {u"Windows 10 RS 3 or later, Skip MSDppkg installation", "Build before 16299 (RS3)",
     "no: Modern Standby package skipped", "RS3+"},
    {u"2018 and before", "Platform of 2018 and before", "yes", "2018-"},
    {u"2019 and later", "Platform of 2018 and before", "no: 2019 and later", "2019+"},
    {u"3a or aN feature detected", kDesktopFeatureQuestion, "yes", "3a/aN"},
    {u"Windows Home detected", "Windows Home (dp with ar, as or at)", "yes", "Home"},
    {u"Windows Home not detected", "Windows Home (dp with ar, as or at)", "no", ""},
};

std::string ClassOf(const std::vector<WString>& log) {
  for (const auto& line : log) {
    if (line == u"Is Concumer Products") return "Consumer";
    if (line == u"Detected as Desktop, RPOS or Thin Client") return kDesktopClass;
    if (line == u"Connected Standby supported") return "Notebook with Modern Standby";
    if (line == u"Connected Standby Not Supported") return "Notebook without Modern Standby";
  }
  return "None (the commit stopped before choosing)";
}

std::vector<Decision> DecisionsOf(const std::vector<WString>& log, const std::string& klass) {
  std::vector<Decision> decisions;
  bool tablet = false;
  bool desktopFeature = false;
  for (const auto& line : log) {
    for (const DecisionLine& known : kDecisionLines) {
      if (line != known.line) continue;
      decisions.push_back(Decision{known.question, known.answer, known.label});
      tablet = tablet || known.question == kTabletQuestion;
      desktopFeature = desktopFeature || known.question == kDesktopFeatureQuestion;
    }
  }
  // Three questions log only their "yes".
  if (klass != "Consumer" && klass.rfind("None", 0) != 0) {
    decisions.insert(decisions.begin(), Decision{kConsumerQuestion, "no", ""});
    if (!tablet) decisions.insert(decisions.begin() + 1, Decision{kTabletQuestion, "no", ""});
  }
  if (klass == kDesktopClass && !desktopFeature) {
    decisions.push_back(Decision{kDesktopFeatureQuestion, "no", ""});
  }
  return decisions;
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

RegistryValueWritten Written(const sim::RegistryWrite& write) {
  const sim::RegistryValue& value = write.value;
  RegistryValueWritten written{Utf16ToUtf8(write.keyPath), Utf16ToUtf8(value.name),
                               std::to_string(value.type),
                               HexBytes(value.data.data(), value.data.size(), " ")};
  if (value.type == win::kRegDword && value.data.size() == 4) {
    const std::uint32_t number = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                                 (static_cast<std::uint32_t>(value.data[3]) << 24);
    written.type = "REG_DWORD";
    written.data = std::to_string(number);
  } else if (value.type == win::kRegSz) {
    written.type = "REG_SZ";
    written.data = Utf16ToUtf8(TextOfUtf16Le(value.data.data(), value.data.size()));
  }
  return written;
}

// Seconds as a person says them: 0 is "Never" for every time-out Windows shows in seconds.
std::string DurationText(std::uint32_t seconds) {
  if (seconds == 0) return "Never";
  if (seconds % 3600 == 0) return std::to_string(seconds / 3600) + " h";
  if (seconds % 60 == 0) return std::to_string(seconds / 60) + " min";
  return std::to_string(seconds) + " s";
}

std::string SettingValueText(const SettingInfo& info, const std::optional<std::uint32_t>& value) {
  if (!value) return "-";
  const std::string unit = info.unit;
  if (!info.choices.empty()) {
    return *value < info.choices.size() ? info.choices[*value] : std::to_string(*value);
  }
  if (unit == "Seconds") return DurationText(*value);
  if (unit == "%") return std::to_string(*value) + " %";
  if (unit == "Milliseconds") return std::to_string(*value) + " ms";
  return std::to_string(*value);
}

std::string SchemeNameOf(sim::Machine& machine, const sim::powercfg::Scheme& scheme) {
  return Utf16ToUtf8(
      sim::powercfg::DisplayText(scheme.name, [&machine](WStringView file, std::uint32_t id) {
        return machine.ResolveModuleString(file, id);
      }));
}

std::vector<AdapterOutcome> AdaptersOf(SimulatedRun& run, const std::string& klass) {
  std::vector<AdapterOutcome> outcomes;
  const std::vector<WString>& log = run.messages;
  const bool enumerated =
      std::find(log.begin(), log.end(),
                u"Unable to enumerate NIC devices; failed to set NIC power management settings") ==
      log.end();
  const auto wmiWrites = WmiWrites(*run.machine);
  const auto& registryWrites = run.machine->registry().Writes();
  for (std::size_t index = 0; index < run.profile.networkAdapters.size(); ++index) {
    const sim::NetworkAdapter& adapter = run.profile.networkAdapters[index];
    AdapterOutcome outcome;
    outcome.adapter = Utf16ToUtf8(adapter.description.value_or(
        adapter.hardwareIds && !adapter.hardwareIds->empty() ? adapter.hardwareIds->front()
                                                             : u"(unnamed adapter)"));
    outcome.outcome = "skipped";
    const WString heading =
        adapter.description && adapter.driver
            ? Format(u"Setting %s (%s) power management", *adapter.description, *adapter.driver)
            : WString();
    auto at = heading.empty() ? log.end() : std::find(log.begin(), log.end(), heading);
    if (klass.rfind("Notebook", 0) != 0) {
      outcome.why = "network adapters are set on notebooks only";
    } else if (!enumerated) {
      outcome.why = "the network adapters could not be listed";
    } else if (at == log.end()) {
      if (!adapter.enumerator || !EqualsIgnoringCase(*adapter.enumerator, u"PCI")) {
        outcome.why = "not a PCI device (enumerator " +
                      Utf16ToUtf8(adapter.enumerator.value_or(u"unknown")) + ")";
      } else {
        outcome.why = "its device properties could not be read";
      }
    } else if (at + 1 != log.end() && at[1] == u"Wireless, skip settings") {
      const bool classCode = at != log.begin() && at[-1].rfind(u"CC_0280 Found: ", 0) == 0;
      outcome.why = classCode ? "wireless: class code 0280 in its hardware IDs"
                              : "wireless: its description names a wireless adapter";
    } else {
      outcome.outcome = "configured";
      const WString instance = sim::AdapterInstanceName(adapter, index);
      std::size_t wmi = 0;
      for (const auto& write : wmiWrites) wmi += write.instanceName == instance ? 1 : 0;
      bool pnp = false;
      for (const auto& write : registryWrites) {
        pnp = pnp || (write.value.name == u"PnPCapabilities" && adapter.driver &&
                      EndsWithIgnoringCase(write.keyPath, *adapter.driver));
      }
      if (wmi > 0) {
        outcome.why =
            "power management turned on through WMI (" + std::to_string(wmi) + " settings)";
      } else if (pnp) {
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
  std::set<sim::powercfg::SettingKey> ac;
  std::set<sim::powercfg::SettingKey> dc;
};

}  // namespace

std::string RegistryValueWritten::Text() const {
  if (type == "REG_SZ") return type + " \"" + data + "\"";
  if (type == "REG_DWORD") return type + " " + data;
  return "type " + type + " [" + data + "]";
}

Plan MakePlan(const std::string& profileText, const std::string& machineName) {
  SimulatedRun run = RunActions(profileText, {"commit"});
  sim::Machine& machine = *run.machine;
  auto& store = machine.schemes();

  Plan plan;
  plan.machine = machineName;
  plan.warnings = run.profile.warnings;
  plan.board = Utf16ToUtf8(run.board);
  plan.featureBytes = Utf16ToUtf8(run.featureBytes);
  const std::optional<bool>& standby = run.profile.connectedStandby;
  plan.connectedStandby = standby ? (*standby ? "yes" : "no") : "unknown";
  // Where the module, a 32-bit one, reads the build number.
  if (auto build = machine.registry().GetValue(
          u"HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion",
          u"CurrentBuildNumber")) {
    plan.build = Utf16ToUtf8(TextOfUtf16Le(build->data.data(), build->data.size()));
  }
  plan.platformClass = ClassOf(run.messages);
  plan.decisions = DecisionsOf(run.messages, plan.platformClass);
  plan.featureTokens = TokensOf(run.featureQueries);
  plan.boardLists = BoardListsOf(run.board);

  std::map<WString, SetByRecipe> setByScheme;
  for (const auto& process : machine.processes().Runs()) {
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
  for (const auto& write : store.Writes()) {
    auto& set = setByScheme[ToLower(write.scheme)];
    (write.ac ? set.ac : set.dc).insert(write.key);
  }
  // A value written twice shows once, where it was first written, with what it ends with.
  std::vector<const sim::RegistryWrite*> lastWrites;
  for (const auto& write : machine.registry().Writes()) {
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
  for (const auto* write : lastWrites) plan.registry.push_back(Written(*write));
  plan.adapters = AdaptersOf(run, plan.platformClass);

  const std::optional<WString> preferred = PreferredPlan(machine);
  const WString shown = preferred && store.Contains(*preferred) ? *preferred : store.Active();
  for (const auto& [guid, set] : setByScheme) {
    if (EqualsIgnoringCase(guid, shown)) continue;
    auto scheme = store.Find(guid);
    if (!scheme) continue;
    for (const auto& info : sim::powercfg::SettingsCatalog()) {
      const auto key = sim::powercfg::KeyOf(info);
      auto value = scheme->values.find(key);
      if (value == scheme->values.end()) continue;
      for (bool ac : {true, false}) {
        if ((ac ? set.ac : set.dc).count(key) == 0) continue;
        plan.otherSchemes.push_back(OtherSchemeValue{
            SchemeNameOf(machine, *scheme),
            std::string(info.subgroupName) + " / " + info.settingName, ac ? "AC" : "DC",
            SettingValueText(info, ac ? value->second.ac : value->second.dc)});
      }
    }
  }
  if (auto scheme = store.Find(shown)) {
    PlannedScheme planned;
    planned.guid = Utf16ToUtf8(scheme->guid);
    planned.name = SchemeNameOf(machine, *scheme);
    planned.active = EqualsIgnoringCase(scheme->guid, store.Active());
    planned.preferred = preferred && EqualsIgnoringCase(*preferred, scheme->guid);
    const SetByRecipe& set = setByScheme[ToLower(scheme->guid)];
    for (const auto& info : sim::powercfg::SettingsCatalog()) {
      const auto key = sim::powercfg::KeyOf(info);
      auto value = scheme->values.find(key);
      if (value == scheme->values.end()) continue;
      const bool setAc = set.ac.count(key) > 0;
      const bool setDc = set.dc.count(key) > 0;
      // An inherited value that no source has for Windows 10 is not shown as if it were one.
      const bool known = sim::powercfg::IsWindowsDefaultKnown(info);
      auto text = [&](bool setByRecipe, const std::optional<std::uint32_t>& index) {
        return setByRecipe || known ? SettingValueText(info, index)
                                    : std::string("Windows default unknown");
      };
      planned.settings.push_back(PlannedSetting{info.subgroupName, info.settingName,
                                                text(setAc, value->second.ac),
                                                text(setDc, value->second.dc), setAc, setDc});
    }
    plan.scheme = planned;
  }
  plan.hibernateFileSize = store.HibernateFileSize();
  return plan;
}

}  // namespace presetra::cli
