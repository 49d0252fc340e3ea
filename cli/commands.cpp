#include "cli/commands.h"

#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "host/module.h"
#include "platform/sim/machine.h"
#include "platform/sim/powercfg/interpreter.h"
#include "platform/sim/powercfg/settings_catalog.h"

namespace presetra::cli {

namespace {

constexpr char kUsage[] =
    "usage: presetra commit [uninstall] [--machine FILE] [--schemes]\n"
    "       presetra uninstall [--machine FILE] [--schemes]\n";

struct Options {
  std::vector<std::string> actions;
  std::string machineFile;
  bool schemes = false;
};

bool ParseOptions(const std::vector<std::string>& arguments, Options* options,
                  std::string* problem) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "commit" || argument == "uninstall") {
      options->actions.push_back(argument);
    } else if (argument == "--schemes") {
      options->schemes = true;
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

std::string ValueText(const std::optional<std::uint32_t>& value) {
  return value ? std::to_string(*value) : "-";
}

// Every scheme the machine ends with: Windows' own with what changed in them, any other with
// all its values.
void PrintSchemes(sim::Machine& machine, std::ostream& out) {
  auto& store = machine.schemes();
  auto resolve = [&machine](WStringView file, std::uint32_t id) {
    return machine.ResolveModuleString(file, id);
  };
  const std::vector<sim::powercfg::Scheme> windows = sim::powercfg::WindowsSchemes();
  out << "\nPower schemes (* active):\n";
  for (const auto& scheme : store.Schemes()) {
    const sim::powercfg::Scheme* original = nullptr;
    for (const auto& w : windows) {
      if (EqualsIgnoringCase(w.guid, scheme.guid)) original = &w;
    }
    out << "  " << Utf16ToUtf8(scheme.guid) << "  "
        << Utf16ToUtf8(sim::powercfg::DisplayText(scheme.name, resolve))
        << (EqualsIgnoringCase(scheme.guid, store.Active()) ? " *" : "") << "\n";
    if (original == nullptr) {
      out << "    Description: "
          << Utf16ToUtf8(sim::powercfg::DisplayText(scheme.description, resolve)) << "\n";
    }
    for (const auto& info : sim::powercfg::SettingsCatalog()) {
      auto key = sim::powercfg::KeyOf(info);
      auto value = scheme.values.find(key);
      if (value == scheme.values.end()) continue;
      if (original != nullptr) {
        auto before = original->values.find(key);
        if (before != original->values.end() && before->second.ac == value->second.ac &&
            before->second.dc == value->second.dc) {
          continue;
        }
      }
      out << "    " << info.subgroupName << " / " << info.settingName << ": AC "
          << ValueText(value->second.ac) << ", DC " << ValueText(value->second.dc) << "\n";
    }
  }
  auto preferred = machine.registry().GetValue(
      u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\ControlPanel\\NameSpace\\"
      u"{025A5937-A6BE-4686-A844-36FE4BEC8B6D}",
      u"PreferredPlan");
  if (preferred && preferred->type == win::kRegSz) {
    WString text;
    for (std::size_t i = 0; i + 1 < preferred->data.size(); i += 2) {
      char16_t unit = static_cast<char16_t>(preferred->data[i] | (preferred->data[i + 1] << 8));
      if (unit == 0) break;
      text.push_back(unit);
    }
    out << "Preferred plan: " << Utf16ToUtf8(text) << "\n";
  }
}

}  // namespace

int Run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
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
  return 0;
}

}  // namespace presetra::cli
