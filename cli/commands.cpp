#include "cli/commands.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "cli/fleet/matrix.h"
#include "cli/live/capture.h"
#include "cli/live/verify.h"
#include "cli/profiles/machine_writer.h"
#include "cli/run/arguments.h"
#include "cli/run/file_text.h"
#include "cli/run/image_source.h"
#include "cli/run/plan.h"
#include "cli/run/plan_format.h"
#include "cli/run/profile_source.h"
#include "cli/run/simulated_run.h"
#include "cli/wmiparams/wmiparams.h"
#include "image/image_error.h"
#include "machine/layout.h"

namespace presetra::cli {

namespace {

// The registry values a list names ("key<TAB>value" lines).
std::vector<std::pair<WString, WString>> ValueNames(const std::string& listFile) {
  std::vector<std::pair<WString, WString>> names;
  std::ifstream list(listFile, std::ios::binary);
  for (std::string line; std::getline(list, line);) {
    std::size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    names.emplace_back(Utf8ToUtf16(line.substr(0, tab)), Utf8ToUtf16(line.substr(tab + 1)));
  }
  return names;
}

// The values read at the end, then the WMI settings the adapters were given: what the
// end-to-end test compares with a real run, and what verify reads as a machine's state.
void PrintValues(const RunRecord& run, const std::vector<ValueAtEnd>& values, std::ostream& out) {
  for (const auto& [key, name, value] : values) {
    out << machine::ValueLine(key, name,
                              value ? std::optional<std::uint32_t>(value->type) : std::nullopt,
                              value ? value->data : std::vector<std::uint8_t>{});
  }
  std::vector<std::string> writes;
  for (const auto& write : run.wmiWrites) {
    writes.push_back(Utf16ToUtf8(write.className) + "\t" + Utf16ToUtf8(write.instanceName) + "\t" +
                     Utf16ToUtf8(write.property) + "\tTrue");
  }
  std::sort(writes.begin(), writes.end());
  for (const auto& write : writes) out << write << "\n";
}

// commit [uninstall] and uninstall: the actions in the order given, on one load of the module.
int RunCommitOrUninstall(const std::string& first, const Arguments& arguments, std::ostream& out,
                         std::ostream& err) {
  std::vector<std::string> actions{first};
  for (const auto& operand : arguments.Operands()) {
    if (operand != "uninstall") {
      err << "presetra " << first << ": unknown or incomplete argument \"" << operand << "\"\n"
          << arguments.Usage();
      return 2;
    }
    actions.push_back(operand);
  }
  const std::string valuesList = arguments.Value("--values");
  const bool state = arguments.Has("--state");
  std::string profileText;
  std::string source;
  if (!ReadMachineProfile(arguments.Value("--machine"), &profileText, &source, err)) return 2;
  RunRecord run;
  try {
    ImageSource images(arguments.Value("--image"), err);
    machine::MachineProfile profile = ProfileOf(profileText);
    images.LayUnder(profile, arguments.Value("--machine"));
    run = RunActions(
        profile, actions,
        RunOptions{.log = true,
                   .schemesText = arguments.Has("--schemes") || state,
                   .values = valuesList.empty() ? std::vector<std::pair<WString, WString>>{}
                                                : ValueNames(valuesList),
                   .writableValues = state});
  } catch (const UnusableProfile& error) {
    err << "presetra: " << source << ": " << error.what() << "\n";
    return 2;
  } catch (const image::ImageError& error) {
    err << "presetra " << first << ": " << error.what() << "\n";
    return 2;
  }
  for (const auto& warning : run.warnings) {
    err << "presetra: " << source << ": warning: " << warning << "\n";
  }
  for (const auto& line : run.logLines) out << Utf16ToUtf8(line) << "\n";
  out << run.schemesText;
  if (!valuesList.empty()) PrintValues(run, run.namedValues, out);
  // Every value the commit may write on this machine.
  if (state) PrintValues(run, run.writableValues, out);
  return 0;
}

int RunPlan(const Arguments& arguments, std::ostream& out, std::ostream& err, ThisPc* thisPc) {
  std::string profileText;
  std::string source;
  if (!ReadProfileOrThisPc(arguments.Value("--machine"), thisPc, &profileText, &source, err)) {
    return 2;
  }
  try {
    ImageSource images(arguments.Value("--image"), err);
    machine::MachineProfile profile = ProfileOf(profileText);
    images.LayUnder(profile, arguments.Value("--machine"));
    const Plan plan = MakePlan(profile, source);
    for (const auto& warning : plan.warnings) {
      err << "presetra: " << source << ": warning: " << warning << "\n";
    }
    if (plan.tableForWindows11)
      err << "presetra: " << source << ": " << Windows11TableNote() << "\n";
    out << (arguments.Value("--format") == "json" ? PlanJson(plan).dump(2) + "\n" : PlanText(plan));
  } catch (const UnusableProfile& error) {
    err << "presetra: " << source << ": " << error.what() << "\n";
    return 2;
  } catch (const image::ImageError& error) {
    err << "presetra plan: " << error.what() << "\n";
    return 2;
  }
  return 0;
}

using Runner = int (*)(const Arguments&, std::ostream& out, std::ostream& err, ThisPc* thisPc);

struct Command {
  CommandSpec spec;
  Runner run;
};

const OptionSpec kMachineOption{"--machine", "FILE",
                                "the machine profile; without it, the embedded default machine"};
const OptionSpec kPcOrMachineOption{
    "--machine", "FILE",
    "the machine profile; without it, this PC's facts on Windows, else the default machine"};

const OptionSpec kImageOption{
    "--image", "PATH",
    "Windows' schemes and registry from this image instead of Presetra's base image: a WIM or ESD "
    "file (FILE:INDEX for one of its images), a folder holding an image, or a SYSTEM hive"};

const std::vector<OptionSpec> kActionOptions = {
    kMachineOption,
    kImageOption,
    {"--schemes", "", "after the log, every power scheme the machine ends with"},
    {"--state", "",
     "the schemes, then every registry value the commit may write and the adapters' WMI "
     "settings: the state dump verify reads"},
    {"--values", "LIST", "after the schemes, the registry values LIST names (key<TAB>name a line)"},
};

// Every command, with its options: parsing, COMMAND --help and the usage all come from here.
const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {{"commit", "[uninstall]",
        "Runs the commit action (then the removal, with uninstall) on the machine's simulated PC\n"
        "and prints the log it wrote, one line an entry.",
        kActionOptions},
       [](const Arguments& a, std::ostream& out, std::ostream& err, ThisPc*) {
         return RunCommitOrUninstall("commit", a, out, err);
       }},
      {{"uninstall", "",
        "Runs the removal action on the machine's simulated PC and prints its log.",
        kActionOptions},
       [](const Arguments& a, std::ostream& out, std::ostream& err, ThisPc*) {
         return RunCommitOrUninstall("uninstall", a, out, err);
       }},
      {{"plan",
        "",
        "What the machine gets from the commit, and why: its class and the decisions that led\n"
        "to it, the scripts, registry values, adapters and the resulting power scheme.",
        {kPcOrMachineOption,
         kImageOption,
         {"--format", "text|json", "for a person (text) or for other tools", {"text", "json"}}}},
       RunPlan},
      {{"verify",
        "",
        "Whether the machine still has its recipe: the end state its plan expects against the\n"
        "one it has, one line a difference.",
        {kPcOrMachineOption,
         {"--state", "STATE",
          "what `presetra commit --state` printed for the machine, or a dump like it; on Windows, "
          "without it, this PC's schemes, registry values and adapter settings"},
         kImageOption,
         {"--format", "text|json", "for a person (text) or for other tools", {"text", "json"}}}},
       RunVerify},
      {{"capture",
        "",
        "This PC's machine profile on Windows, or that of the simulated PC a profile describes.",
        {kPcOrMachineOption,
         kImageOption,
         {"--out", "FILE", "where to write it; standard output without it"}}},
       RunCapture},
      {{"matrix",
        "DIR|FILE...",
        "A row per machine (a folder stands for its *.json profiles): board, build, feature "
        "bytes,\n"
        "class, scheme, decisions and the settings that differ between the machines.",
        {{"--format", "markdown|csv", "the table's format", {"markdown", "csv"}},
         kImageOption,
         {"--jobs", "N", "plan on N threads (by default one per core)"},
         {"--diff",
          "OTHER_DIR|FILE...",
          "only what changes from the profiles given first to the OTHER ones, machines matched "
          "by file name",
          {},
          false,
          true}}},
       [](const Arguments& a, std::ostream& out, std::ostream& err, ThisPc*) {
         return RunMatrix(a, out, err);
       }},
      {{"machine",
        "",
        "A machine profile from a board's OEM strings, board ID and Windows build.",
        {{"--from-oem-strings",
          "STRINGS",
          "the OEM strings as WMI lists them, {\"ABC\", \"FBYTE#...\"} or [\"ABC\", ...], or one a "
          "line",
          {},
          true},
         {"--board", "ID", "the board ID: four hexadecimal digits", {}, true},
         {"--build", "N", "the Windows build (CurrentBuildNumber's digits)", {}, true},
         {"--cs", "", "the platform has Connected Standby"},
         {"--out", "FILE", "where to write it; standard output without it"}}},
       [](const Arguments& a, std::ostream& out, std::ostream& err, ThisPc*) {
         return RunMachineWriter(a, out, err);
       }},
      {{"wmiparams",
        "decode FILE | encode FILE.json OUT",
        "A CWMIParameters stream (or, with --map, one property map) as JSON, and back.",
        {{"--map", "", "the stream is one property map"}},
        {"presetra wmiparams decode FILE [--map]",
         "presetra wmiparams encode FILE.json OUT [--map]"}},
       [](const Arguments& a, std::ostream& out, std::ostream& err, ThisPc*) {
         return RunWmiParams(a, out, err);
       }},
  };
  return commands;
}

std::string GeneralUsage() {
  std::vector<std::vector<std::string>> lines;
  for (const auto& command : Commands()) lines.push_back(UsageLines(command.spec));
  return UsageText(lines);
}

bool IsHelp(const std::string& argument) {
  return argument == "--help" || argument == "-h" || argument == "/?";
}

}  // namespace

int Run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
        ThisPc* thisPc) {
  const Command* command = nullptr;
  for (const auto& known : Commands()) {
    if (!arguments.empty() && arguments[0] == known.spec.name) command = &known;
  }
  // "presetra --help": every command's usage; "presetra COMMAND --help": that command's.
  if (std::any_of(arguments.begin(), arguments.end(), IsHelp)) {
    out << (command != nullptr ? HelpText(command->spec) : GeneralUsage());
    return 0;
  }
  if (command == nullptr) {
    err << (arguments.empty() ? std::string("presetra: no command given")
                              : "presetra: unknown command \"" + arguments[0] + "\"")
        << "\n"
        << GeneralUsage();
    return 2;
  }
  const std::optional<Arguments> parsed = ParseArguments(
      command->spec, std::vector<std::string>(arguments.begin() + 1, arguments.end()), err);
  if (!parsed) return 2;
  return command->run(*parsed, out, err, thisPc);
}

}  // namespace presetra::cli
