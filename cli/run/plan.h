// What a machine gets from the commit, for a person: its platform class and the decisions that
// led to it, the scripts, registry values, network adapters and the resulting power scheme.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/run/decisions.h"
#include "cli/run/simulated_run.h"

namespace presetra::cli {

struct ScriptRun {
  std::string script;  // file name
  std::string commandLine;
};

struct RegistryValueWritten {
  std::string key;
  std::string name;
  std::string type;  // "REG_SZ", "REG_DWORD", or the type's number
  std::string data;  // the text, the number, or the bytes in hex
  // "REG_DWORD 1", "REG_SZ \"text\"": type and data as a person reads them.
  std::string Text() const;
};

struct AdapterOutcome {
  std::string adapter;  // description, or the first hardware ID
  std::string outcome;  // "configured" or "skipped"
  std::string why;
};

struct PlannedSetting {
  std::string subgroupGuid;
  std::string settingGuid;  // or the alias of an OEM setting
  std::string subgroup;
  std::string name;
  std::optional<std::uint32_t> acIndex;  // the value as powercfg stores it
  std::optional<std::uint32_t> dcIndex;
  bool windowsDefaultKnown = true;
  std::string ac;  // the value as a person reads it; "-" when the scheme has none
  std::string dc;
  bool acFromRecipe = false;
  bool dcFromRecipe = false;
  // Where Balanced's value, which the scheme inherits, came from: "image", "pc" or "table".
  std::string windowsValueFrom = "table";
  // A setting Presetra's catalog does not know, named as the image names it.
  bool namedByImage = false;
};

// A value of Windows' Balanced where the image or the PC differs from Presetra's table.
struct BalancedDifference {
  std::string subgroupGuid;
  std::string settingGuid;
  std::string setting;  // "subgroup / name"
  std::string mode;     // "AC" or "DC"
  std::string value;    // as a person reads it; "not set" when the scheme has none
  std::string table;    // the table's
  std::string from;     // "image" or "pc"
};

struct PlannedScheme {
  std::string guid;
  std::string name;
  bool active = false;
  bool preferred = false;
  std::vector<PlannedSetting> settings;
};

// A value the recipe set in another scheme than its own (Windows' schemes).
struct OtherSchemeValue {
  std::string schemeGuid;
  std::string scheme;
  std::string subgroupGuid;
  std::string settingGuid;
  std::string setting;  // "subgroup / name"
  std::string mode;     // "AC" or "DC"
  std::uint32_t index = 0;
  std::string value;
};

struct Plan {
  std::string machine;  // where the profile came from
  // The profile's warnings (valid, but most likely a mistake), for standard error.
  std::vector<std::string> warnings;
  std::string board;
  std::string build;
  // Where Windows' own values came from: "image install.wim:3 (...)", "this PC", or the table;
  // and whether the table stands in for a Windows 11 build.
  std::string windowsValues;
  bool tableForWindows11 = false;
  std::string featureBytes;
  std::optional<bool> connectedStandby;  // nullopt: the query fails
  std::string platformClass;
  std::vector<ExplainedDecision> decisions;
  // Each token the run asked about, once, in the order first asked.
  std::vector<FeatureToken> featureTokens;
  std::vector<std::string> boardLists;  // the lists the board is on, with what they do
  std::vector<ScriptRun> scripts;
  std::vector<RegistryValueWritten> registry;
  std::vector<AdapterOutcome> adapters;
  std::optional<PlannedScheme> scheme;
  std::vector<OtherSchemeValue> otherSchemes;
  std::vector<BalancedDifference> balancedDifferences;
  std::optional<std::uint32_t> hibernateFileSize;  // percent, when the run set it
  bool defaultSchemesReplaced = false;

  // "yes", "no", or "unknown" when the query fails.
  std::string ConnectedStandbyText() const {
    return connectedStandby ? (*connectedStandby ? "yes" : "no") : "unknown";
  }
};

// Runs the commit of the profile and reads its plan. Throws UnusableProfile.
Plan MakePlan(const std::string& profileText, const std::string& machineName);
// How much of the scheme a plan lists: every setting, or the catalog's alone (a fleet's matrix,
// where the settings of an image that Presetra does not know are the image's on every machine
// and were most of what planning a machine over an image cost).
enum class PlanSettings { kAll, kCatalog };
Plan MakePlan(const machine::MachineProfile& profile, const std::string& machineName,
              PlanSettings settings = PlanSettings::kAll);

// The build's number; nullopt when the text is not all digits.
std::optional<unsigned long> BuildNumber(const std::string& build);
// "Windows 11" from build 22000 on, else "Windows 10".
std::string WindowsOfBuild(const std::string& build);

}  // namespace presetra::cli
