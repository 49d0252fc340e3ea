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
#include "cli/run/file_text.h"
#include "cli/run/plan.h"
#include "cli/run/plan_format.h"
#include "cli/run/profile_source.h"
#include "cli/run/simulated_run.h"
#include "cli/wmiparams/wmiparams.h"
#include "machine/layout.h"

namespace presetra::cli {

namespace {

constexpr char kUsage[] =
    "usage: presetra commit [uninstall] [--machine FILE] [--schemes|--state]\n"
    "       presetra uninstall [--machine FILE] [--schemes]\n"
    "       presetra plan [--machine FILE] [--format text|json]\n"
    "       presetra verify [--machine FILE] [--state STATE] [--format text|json]\n"
    "       presetra capture [--machine FILE] [--out FILE]\n"
    "       presetra matrix DIR|FILE... [--format markdown|csv] [--diff OTHER_DIR|FILE...]\n"
    "       presetra machine --from-oem-strings STRINGS --board ID --build N [--cs] [--out FILE]\n"
    "       presetra wmiparams decode FILE [--map]\n"
    "       presetra wmiparams encode FILE.json OUT [--map]\n";

struct Options {
  std::vector<std::string> actions;
  std::string machineFile;
  bool schemes = false;
  std::string valuesList;
  bool state = false;
};

bool ParseOptions(const std::vector<std::string>& arguments, Options* options,
                  std::string* problem) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "commit" || argument == "uninstall") {
      options->actions.push_back(argument);
    } else if (argument == "--schemes") {
      options->schemes = true;
    } else if (argument == "--state") {
      options->state = true;
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

int RunPlan(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
            ThisPc* thisPc) {
  std::string machineFile;
  std::string format = "text";
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const bool hasValue = i + 1 < arguments.size();
    if (arguments[i] == "--machine" && hasValue) {
      machineFile = arguments[++i];
    } else if (arguments[i] == "--format" && hasValue) {
      format = arguments[++i];
      if (format != "text" && format != "json") {
        err << "presetra plan: --format \"" << format << "\": expected text or json\n";
        return 2;
      }
    } else {
      err << "presetra plan: unknown or incomplete argument \"" << arguments[i] << "\"\n" << kUsage;
      return 2;
    }
  }
  std::string profileText;
  std::string source;
  if (!ReadProfileOrThisPc(machineFile, thisPc, &profileText, &source, err)) return 2;
  try {
    const Plan plan = MakePlan(profileText, source);
    for (const auto& warning : plan.warnings) {
      err << "presetra: " << source << ": warning: " << warning << "\n";
    }
    out << (format == "json" ? PlanJson(plan).dump(2) + "\n" : PlanText(plan));
  } catch (const UnusableProfile& error) {
    err << "presetra: " << source << ": " << error.what() << "\n";
    return 2;
  }
  return 0;
}

}  // namespace

int Run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
        ThisPc* thisPc) {
  // "presetra --help", "presetra COMMAND --help": the usage, on standard output.
  for (const auto& argument : arguments) {
    if (argument == "--help" || argument == "-h" || argument == "/?") {
      out << kUsage;
      return 0;
    }
  }
  if (!arguments.empty() && arguments[0] == "machine") {
    return RunMachineWriter(std::vector<std::string>(arguments.begin() + 1, arguments.end()), out,
                            err);
  }
  if (!arguments.empty() && arguments[0] == "plan") {
    return RunPlan(std::vector<std::string>(arguments.begin() + 1, arguments.end()), out, err,
                   thisPc);
  }
  if (!arguments.empty() && arguments[0] == "verify") {
    return RunVerify(std::vector<std::string>(arguments.begin() + 1, arguments.end()), out, err,
                     thisPc);
  }
  if (!arguments.empty() && arguments[0] == "capture") {
    return RunCapture(std::vector<std::string>(arguments.begin() + 1, arguments.end()), thisPc, out,
                      err);
  }
  if (!arguments.empty() && arguments[0] == "matrix") {
    return RunMatrix(std::vector<std::string>(arguments.begin() + 1, arguments.end()), out, err);
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

  std::string profileText;
  std::string source;
  if (!ReadMachineProfile(options.machineFile, &profileText, &source, err)) return 2;
  RunRecord run;
  try {
    run = RunActions(
        profileText, options.actions,
        RunOptions{.log = true,
                   .schemesText = options.schemes || options.state,
                   .values = options.valuesList.empty() ? std::vector<std::pair<WString, WString>>{}
                                                        : ValueNames(options.valuesList),
                   .writableValues = options.state});
  } catch (const UnusableProfile& error) {
    err << "presetra: " << source << ": " << error.what() << "\n";
    return 2;
  }
  for (const auto& warning : run.warnings) {
    err << "presetra: " << source << ": warning: " << warning << "\n";
  }
  for (const auto& line : run.logLines) out << Utf16ToUtf8(line) << "\n";
  out << run.schemesText;
  if (!options.valuesList.empty()) PrintValues(run, run.namedValues, out);
  // Every value the commit may write on this machine.
  if (options.state) PrintValues(run, run.writableValues, out);
  return 0;
}

}  // namespace presetra::cli
