#include "cli/run/plan_format.h"

namespace presetra::cli {

namespace {

void Section(std::string& out, const char* title) {
  out += "\n";
  out += title;
  out += "\n";
}

// "10 min (AC), 4 min (DC)"
std::string AcDcText(const PlannedSetting& setting) {
  return setting.ac + " (AC), " + setting.dc + " (DC)";
}

// Where the setting's values come from: "recipe", "Balanced", or both by power source. An
// inherited value from elsewhere than the head names says where.
std::string SourceText(const Plan& plan, const PlannedSetting& setting) {
  std::string inherited = "Balanced";
  if (setting.windowsValueFrom == "table" && !plan.windowsValues.starts_with("Presetra's")) {
    inherited += ", Presetra's table";
  }
  auto one = [&inherited](bool fromRecipe) {
    return fromRecipe ? std::string("recipe") : inherited;
  };
  if (setting.acFromRecipe == setting.dcFromRecipe) return one(setting.acFromRecipe);
  return one(setting.acFromRecipe) + " (AC), " + one(setting.dcFromRecipe) + " (DC)";
}

}  // namespace

std::string Windows11TableNote() {
  return "This is a Windows 11 build, but Windows' values shown are Presetra's Windows 10 table; "
         "give the image the unit ships with --image (a WIM or ESD file, an image's folder or "
         "its SYSTEM hive) to plan against its own.";
}

std::string PlanText(const Plan& plan) {
  std::string out = "Machine: " + plan.machine + "\n";
  out += "  Board " + (plan.board.empty() ? std::string("(none)") : plan.board) + ", " +
         WindowsOfBuild(plan.build) + " build " +
         (plan.build.empty() ? std::string("(none)") : plan.build) + ", feature bytes \"" +
         plan.featureBytes + "\", Connected Standby: " + plan.ConnectedStandbyText() + "\n";
  out += "  Windows' values: " + plan.windowsValues + "\n";
  if (plan.tableForWindows11) out += "  " + Windows11TableNote() + "\n";
  out += "\nPlatform class: " + plan.platformClass + "\n";

  Section(out, "Decisions");
  for (const auto& decision : plan.decisions) {
    out += "  " + decision.question + ": " + decision.answerText;
    if (!decision.because.empty()) out += "  [" + decision.because + "]";
    out += "\n";
  }
  out += "  Feature tokens asked:";
  for (const auto& [token, offset] : plan.featureTokens) {
    out += " " + token + (offset ? " at " + std::to_string(*offset) : std::string(" absent")) + ",";
  }
  if (!plan.featureTokens.empty()) out.pop_back();
  out += plan.featureTokens.empty() ? " none\n" : "\n";
  out += "  Board lists: ";
  if (plan.boardLists.empty()) out += "on none";
  for (std::size_t i = 0; i < plan.boardLists.size(); ++i) {
    out += (i > 0 ? "; " : "") + plan.boardLists[i];
  }
  out += "\n";

  Section(out, "Scripts");
  if (plan.scripts.empty()) out += "  none\n";
  for (const auto& script : plan.scripts) out += "  " + script.commandLine + "\n";

  Section(out, "Registry values written");
  if (plan.registry.empty()) out += "  none\n";
  for (std::size_t i = 0; i < plan.registry.size(); ++i) {
    const RegistryValueWritten& value = plan.registry[i];
    if (i == 0 || plan.registry[i - 1].key != value.key) out += "  " + value.key + "\n";
    out += "    " + value.name + " = " + value.Text() + "\n";
  }

  Section(out, "Network adapters");
  if (plan.adapters.empty()) out += "  none\n";
  for (const auto& adapter : plan.adapters) {
    out += "  " + adapter.adapter + ": " + adapter.outcome + ", " + adapter.why + "\n";
  }

  if (plan.scheme) {
    const PlannedScheme& scheme = *plan.scheme;
    out += "\nPower scheme: " + scheme.name + " (" + scheme.guid + ")";
    if (scheme.active) out += ", active";
    if (scheme.preferred) out += ", preferred plan";
    out += "\n  Each value is set by the recipe or inherited from Balanced.\n";
    std::string subgroup;
    bool imageNamed = false;
    for (const auto& setting : scheme.settings) {
      if (setting.namedByImage && !imageNamed) {
        imageNamed = true;
        subgroup.clear();
        out += "  Settings Presetra's catalog does not know, as the image names them:\n";
      }
      if (setting.subgroup != subgroup) {
        subgroup = setting.subgroup;
        out += "  " + subgroup + "\n";
      }
      out += "    " + setting.name + ": " + AcDcText(setting) + "  [" + SourceText(plan, setting) +
             "]\n";
    }
  }
  if (!plan.otherSchemes.empty()) {
    Section(out, "Other schemes changed");
    for (const auto& value : plan.otherSchemes) {
      out += "  " + value.scheme + ": " + value.setting + ": " + value.value + " (" + value.mode +
             ")\n";
    }
  }
  if (!plan.balancedDifferences.empty()) {
    Section(out, "Windows' Balanced where it differs from Presetra's table");
    for (const auto& difference : plan.balancedDifferences) {
      out += "  " + difference.setting + ": " + difference.value + " (" + difference.mode + ") " +
             (difference.from == "pc" ? "on this PC" : "in the image") + "; the table has " +
             difference.table + "\n";
    }
  }
  out += "\n";
  out += "Windows' default schemes replaced: ";
  out += plan.defaultSchemesReplaced ? "yes\n" : "no\n";
  if (plan.hibernateFileSize) {
    out += "Hibernation file size: " + std::to_string(*plan.hibernateFileSize) +
           " % of memory (powercfg /HIBERNATE /SIZE)\n";
  }
  return out;
}

nlohmann::ordered_json PlanJson(const Plan& plan) {
  using Json = nlohmann::ordered_json;
  auto optional = [](const auto& value) { return value ? Json(*value) : Json(nullptr); };
  Json json;
  json["presetra_plan"] = kPlanJsonVersion;
  json["machine"] = plan.machine;
  json["board"] = plan.board.empty() ? Json(nullptr) : Json(plan.board);
  // As Windows keeps it: text. The decisions carry the number the policy compared.
  json["build"] = plan.build.empty() ? Json(nullptr) : Json(plan.build);
  json["windows_values"] = plan.windowsValues;
  json["feature_bytes"] = plan.featureBytes;
  json["connected_standby"] = optional(plan.connectedStandby);
  json["platform_class"] = plan.platformClass;
  json["decisions"] = Json::array();
  for (const auto& decision : plan.decisions) {
    Json inputs = Json::object();
    if (!decision.tokens.empty()) {
      inputs["feature_tokens"] = Json::object();
      for (const auto& [token, offset] : decision.tokens) {
        inputs["feature_tokens"][token] = optional(offset);
      }
    }
    if (decision.boardList) {
      inputs["board_list"] = {{"name", decision.boardList->list},
                              {"boards", decision.boardList->boards},
                              {"contains_board", decision.boardList->containsBoard}};
    }
    if (decision.build) {
      inputs["build"] = *decision.build;
      inputs["threshold"] = *decision.threshold;
    }
    if (!decision.values.empty()) {
      inputs["registry_values"] = Json::object();
      for (const auto& value : decision.values) {
        inputs["registry_values"][value.name] = optional(value.data);
      }
    }
    json["decisions"].push_back({{"id", decision.id},
                                 {"question", decision.question},
                                 {"answer", decision.answer},
                                 {"answer_text", decision.answerText},
                                 {"because", decision.because},
                                 {"label", decision.label},
                                 {"inputs", inputs}});
  }
  // Every token the commit asked about: its offset in the feature-byte string, null: absent.
  json["feature_tokens_asked"] = Json::object();
  for (const auto& [token, offset] : plan.featureTokens) {
    json["feature_tokens_asked"][token] = optional(offset);
  }
  json["board_lists"] = plan.boardLists;
  json["scripts"] = Json::array();
  for (const auto& script : plan.scripts) {
    json["scripts"].push_back({{"script", script.script}, {"command_line", script.commandLine}});
  }
  json["registry"] = Json::array();
  for (const auto& value : plan.registry) {
    // A DWORD's data is its number; a string's its text; other types' their bytes in hex.
    const Json data = value.type == "REG_DWORD" ? Json(std::stoul(value.data)) : Json(value.data);
    json["registry"].push_back(
        {{"key", value.key}, {"name", value.name}, {"type", value.type}, {"data", data}});
  }
  json["network_adapters"] = Json::array();
  for (const auto& adapter : plan.adapters) {
    json["network_adapters"].push_back(
        {{"adapter", adapter.adapter}, {"outcome", adapter.outcome}, {"why", adapter.why}});
  }
  if (plan.scheme) {
    Json scheme = {{"guid", plan.scheme->guid},
                   {"name", plan.scheme->name},
                   {"active", plan.scheme->active},
                   {"preferred_plan", plan.scheme->preferred},
                   {"settings", Json::array()}};
    for (const auto& setting : plan.scheme->settings) {
      scheme["settings"].push_back({{"subgroup_guid", setting.subgroupGuid},
                                    {"setting_guid", setting.settingGuid},
                                    {"subgroup", setting.subgroup},
                                    {"setting", setting.name},
                                    {"ac_index", optional(setting.acIndex)},
                                    {"dc_index", optional(setting.dcIndex)},
                                    {"ac", setting.ac},
                                    {"dc", setting.dc},
                                    {"ac_from", setting.acFromRecipe ? "recipe" : "Balanced"},
                                    {"dc_from", setting.dcFromRecipe ? "recipe" : "Balanced"},
                                    {"windows_default_known", setting.windowsDefaultKnown},
                                    {"windows_value_from", setting.windowsValueFrom}});
    }
    json["scheme"] = scheme;
  } else {
    json["scheme"] = nullptr;
  }
  json["other_schemes"] = Json::array();
  for (const auto& value : plan.otherSchemes) {
    json["other_schemes"].push_back({{"scheme_guid", value.schemeGuid},
                                     {"scheme", value.scheme},
                                     {"subgroup_guid", value.subgroupGuid},
                                     {"setting_guid", value.settingGuid},
                                     {"setting", value.setting},
                                     {"mode", value.mode},
                                     {"index", value.index},
                                     {"value", value.value}});
  }
  json["windows_balanced_differences"] = Json::array();
  for (const auto& difference : plan.balancedDifferences) {
    json["windows_balanced_differences"].push_back({{"subgroup_guid", difference.subgroupGuid},
                                                    {"setting_guid", difference.settingGuid},
                                                    {"setting", difference.setting},
                                                    {"mode", difference.mode},
                                                    {"value", difference.value},
                                                    {"table", difference.table},
                                                    {"from", difference.from}});
  }
  json["default_schemes_replaced"] = plan.defaultSchemesReplaced;
  json["hibernate_file_size_percent"] = optional(plan.hibernateFileSize);
  return json;
}

}  // namespace presetra::cli
