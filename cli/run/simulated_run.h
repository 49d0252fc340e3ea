// A machine profile taken through the custom actions on a simulated machine, and what happened
// as plain data: what the tool's commands show is read from this record, never from the
// simulated machine, which does not leave this folder.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "cli/run/end_state.h"
#include "host/decision.h"
#include "machine/profile.h"
#include "platform/emulation/powercfg/scheme_store.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace presetra::cli {

struct FeatureQuery {
  WString token;
  std::size_t offset;  // WString::npos: absent
};

// A program the actions started, as the process table kept it.
struct ProcessRecord {
  WString program;            // the first token of the command line, unquoted
  WString arguments;          // the rest after the separating blank, as given
  WString script;             // for the script interpreter: the script it ran
  WString scriptCommandLine;  // for the script interpreter: the command it was given after /c
  WString redirectedTo;       // for scripts: where the output went
};

// One power-management property the WMI step turned on.
struct WmiWrite {
  WString className;
  WString instanceName;
  WString property;
};

// A registry value read at the end of the run; nullopt: absent.
struct ValueAtEnd {
  WString key;
  WString name;
  std::optional<platform::RegistryValue> value;
};

// What a run keeps beyond what every command reads: each costs time on a fleet.
struct RunOptions {
  bool log = false;    // the log's lines
  bool reads = false;  // every registry key opened and value queried
  // What each registry value the commit wrote ends with (EndState::registry), for verify.
  bool registryAtEnd = false;
  bool schemesText = false;  // every scheme the machine ends with, as --schemes lists them
  // Registry values to read at the end ("key", "name"), and whether to read every value the
  // commit may write on this machine besides.
  std::vector<std::pair<WString, WString>> values = {};
  bool writableValues = false;
};

struct RunRecord {
  // From the profile: its warnings (valid, but most likely a mistake), the power API's answer
  // (nullopt: the query fails), the role Windows' schemes were provisioned for, and the network
  // adapters by name (description, or first hardware ID), in the device set's order.
  std::vector<std::string> warnings;
  std::optional<bool> connectedStandby;
  powercfg::PlatformRole platformRole = powercfg::PlatformRole::kMobile;
  std::vector<std::string> adapters;

  // What the module saw and decided.
  WString logPath;
  std::vector<WString> logLines;  // with RunOptions::log
  std::vector<FeatureQuery> featureQueries;
  std::vector<Decision> decisions;  // in the order taken
  WString board;
  WString featureBytes;
  // The build number a plan shows (kShownBuildKey); nullopt: none.
  std::optional<WString> shownBuild;

  // What it did, in order.
  std::vector<platform::RegistryRead> registryReads;  // with RunOptions::reads
  std::vector<platform::RegistryWrite> registryWrites;
  std::vector<powercfg::ValueWrite> schemeWrites;
  std::vector<ProcessRecord> processes;
  std::vector<WmiWrite> wmiWrites;

  // What it left: the end state (its registry values with RunOptions::registryAtEnd), the
  // schemes' names as Windows shows them (by lower-case GUID), and what the options asked for.
  EndState end;
  std::map<WString, std::string> schemeNames;
  std::string schemesText;
  std::vector<ValueAtEnd> namedValues;
  std::vector<ValueAtEnd> writableValues;

  // The scheme's name as Windows shows it; its GUID when the run did not end with it.
  std::string SchemeName(WStringView guid) const;
};

// The build number a plan shows, read where the module, a 32-bit one, reads it, also on
// machines whose commit never reads it.
inline constexpr char16_t kShownBuildKey[] =
    u"HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion";
inline constexpr char16_t kShownBuildValue[] = u"CurrentBuildNumber";

// A profile the actions cannot run on; the message names the field and what is wrong with it.
class UnusableProfile : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The profile in the text. Throws UnusableProfile.
machine::MachineProfile ProfileOf(const std::string& profileText);

// The machine a profile describes, before any action, as the platform layer shows it: what
// capture reads when there is no PC. Throws UnusableProfile.
struct SimulatedPc {
  std::unique_ptr<platform::System> system;
  machine::PackageArchitecture architecture;
};
SimulatedPc SimulatedMachine(const std::string& profileText);
SimulatedPc SimulatedMachine(const machine::MachineProfile& profile);

// Loads the machine and runs "commit" and "uninstall" in the order given, in one load of the
// module. Throws UnusableProfile.
RunRecord RunActions(const std::string& profileText, const std::vector<std::string>& actions,
                     const RunOptions& options = {});
// The same, on a profile already read.
RunRecord RunActions(const machine::MachineProfile& profile,
                     const std::vector<std::string>& actions, const RunOptions& options = {});

}  // namespace presetra::cli
