#include "cli/commands.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "cli/machine_writer.h"
#include "cli/wmiparams.h"
#include "host/module.h"
#include "platform/sim/machine.h"
#include "platform/sim/powercfg/describe.h"
#include "tools/wine/end_state.h"

namespace presetra::cli {

namespace {

constexpr char kUsage[] =
    "usage: presetra commit [uninstall] [--machine FILE] [--schemes]\n"
    "       presetra uninstall [--machine FILE] [--schemes]\n"
    "       presetra machine --from-oem-strings STRINGS --board ID --build N [--cs] [--out FILE]\n"
    "       presetra wmiparams decode FILE [--map]\n"
    "       presetra wmiparams encode FILE.json OUT [--map]\n";

struct Options {
  std::vector<std::string> actions;
  std::string machineFile;
  bool schemes = false;
  std::string valuesList;
};

bool ParseOptions(const std::vector<std::string>& arguments, Options* options,
                  std::string* problem) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "commit" || argument == "uninstall") {
      options->actions.push_back(argument);
    } else if (argument == "--schemes") {
      options->schemes = true;
    } else if (argument == "--values") {
      if (i + 1 >= arguments.size()) {
        *problem = "--values needs a file";
        return false;
      }
      options->valuesList = arguments[++i];
    } else if (argument == "--machine") {
      if (i + 1 >= arguments.size()) {
        *problem = "--machine needs a file";
        return false;
      }
      options->machineFile = arguments[++i];
    } else {
      *problem = "unknown argument \"" + argument + "\"";
      return false;
    }
  }
  if (options->actions.empty()) {
    *problem = "no action given";
    return false;
  }
  return true;
}

// The registry values a list names ("key<TAB>value" lines), then the WMI settings the
// adapters were given: what the end-to-end test compares with a real run.
void PrintValues(sim::Machine& machine, const std::string& listFile, std::ostream& out) {
  std::ifstream list(listFile, std::ios::binary);
  for (std::string line; std::getline(list, line);) {
    std::size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    WString key = Utf8ToUtf16(line.substr(0, tab));
    WString name = Utf8ToUtf16(line.substr(tab + 1));
    auto value = machine.registry().GetValue(key, name);
    out << wine::ValueLine(key, name,
                           value ? std::optional<std::uint32_t>(value->type) : std::nullopt,
                           value ? value->data : std::vector<std::uint8_t>{});
  }
  std::vector<std::string> writes;
  for (const auto& instance : machine.wmi().Instances(u"root\\wmi", u"")) {
    for (const auto& [property, value] : instance->properties) {
      if (value.vt == win::kVtBool && value.integer != 0 && property != u"Active") {
        writes.push_back(Utf16ToUtf8(instance->className) + "\t" +
                         Utf16ToUtf8(*instance->Find(u"InstanceName")->text) + "\t" +
                         Utf16ToUtf8(property) + "\tTrue");
      }
    }
  }
  std::sort(writes.begin(), writes.end());
  for (const auto& write : writes) out << write << "\n";
}

// Every scheme the machine ends with, and the preferred plan.
void PrintSchemes(sim::Machine& machine, std::ostream& out) {
  auto preferred = machine.registry().GetValue(
      u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\ControlPanel\\NameSpace\\"
      u"{025A5937-A6BE-4686-A844-36FE4BEC8B6D}",
      u"PreferredPlan");
  std::optional<WString> plan;
  if (preferred && preferred->type == win::kRegSz) {
    WString text;
    for (std::size_t i = 0; i + 1 < preferred->data.size(); i += 2) {
      char16_t unit = static_cast<char16_t>(preferred->data[i] | (preferred->data[i + 1] << 8));
      if (unit == 0) break;
      text.push_back(unit);
    }
    plan = text;
  }
  out << sim::powercfg::DescribeSchemes(
      machine.schemes(),
      [&machine](WStringView file, std::uint32_t id) {
        return machine.ResolveModuleString(file, id);
      },
      plan);
}

}  // namespace

int Run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  if (!arguments.empty() && arguments[0] == "machine") {
    return RunMachineWriter(std::vector<std::string>(arguments.begin() + 1, arguments.end()), out,
                            err);
  }
  if (!arguments.empty() && arguments[0] == "wmiparams") {
    return RunWmiParams(std::vector<std::string>(arguments.begin() + 1, arguments.end()), out, err);
  }
  Options options;
  std::string problem;
  if (!ParseOptions(arguments, &options, &problem)) {
    err << "presetra: " << problem << "\n" << kUsage;
    return 2;
  }

  std::string profileText = DefaultMachineProfile();
  std::string source = "(default machine)";
  if (!options.machineFile.empty()) {
    source = options.machineFile;
    std::ifstream file(options.machineFile, std::ios::binary);
    if (!file) {
      err << "presetra: " << source << ": cannot be read\n";
      return 2;
    }
    std::ostringstream content;
    content << file.rdbuf();
    profileText = content.str();
  }

  std::unique_ptr<sim::Machine> machine;
  try {
    machine = std::make_unique<sim::Machine>(sim::ParseProfile(profileText));
  } catch (const sim::ProfileError& error) {
    err << "presetra: " << source << ": " << error.what() << "\n";
    return 2;
  }

  WString logPath;
  {
    LoadedModule module(*machine);
    for (const auto& action : options.actions) {
      // The installer's handle is kept and never used: any value will do.
      if (action == "commit") {
        module.Commit(1);
      } else {
        module.Uninstall(1);
      }
    }
    logPath = module.Installer()->Context().logPath;
  }
  for (const auto& line : machine->ReadLogLines(logPath)) out << Utf16ToUtf8(line) << "\n";
  if (options.schemes) PrintSchemes(*machine, out);
  if (!options.valuesList.empty()) PrintValues(*machine, options.valuesList, out);
  return 0;
}

}  // namespace presetra::cli
