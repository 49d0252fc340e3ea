#include "cli/live/verify.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/live/capture.h"
#include "cli/live/live_state.h"
#include "cli/live/state_dump.h"
#include "cli/run/file_text.h"
#include "cli/run/image_source.h"
#include "cli/run/simulated_run.h"
#include "cli/run/units.h"
#include "image/image_error.h"
#include "platform/guid.h"
#include "power/power_scheme.h"

namespace presetra::cli {

namespace {

using powercfg::Scheme;
using powercfg::SettingInfo;
using powercfg::SettingKey;

std::string RegistryText(const std::optional<platform::RegistryValue>& value, const WString& key) {
  return value ? Written(key, *value).Text() : "absent";
}

}  // namespace

Verification Verify(const std::string& profileText, const std::string& stateText) {
  const RunRecord run = RunActions(profileText, {"commit"}, RunOptions{.registryAtEnd = true});
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
    const bool on =
        have.wmiOn.count(WmiSettingName(write.className, write.instanceName, write.property)) != 0;
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
    ImageSource images(arguments.Value("--image"), err);
    machine::MachineProfile profile = ProfileOf(profileText);
    images.LayUnder(profile, machineFile);
    const RunRecord run = RunActions(profile, {"commit"}, RunOptions{.registryAtEnd = true});
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
  } catch (const image::ImageError& error) {
    err << "presetra verify: " << error.what() << "\n";
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
