#include "cli/matrix.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <ostream>
#include <set>

#include "cli/file_text.h"

namespace presetra::cli {

namespace {

constexpr char kUsage[] =
    "usage: presetra matrix DIR|FILE... [--format markdown|csv] [--diff OTHER_DIR|FILE...]\n"
    "  DIR: every *.json machine profile in it\n"
    "  --diff: only what changes from the profiles given first to the OTHER ones, machines\n"
    "          matched by file name\n";

using Row = std::vector<std::string>;

std::string MarkdownCell(const std::string& text) {
  std::string cell;
  for (char c : text) {
    if (c == '|') cell += '\\';
    cell += c == '\n' ? ' ' : c;
  }
  return cell;
}

std::string CsvCell(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string cell = "\"";
  for (char c : text) {
    if (c == '"') cell += '"';
    cell += c;
  }
  return cell + "\"";
}

std::string RenderTable(const Row& header, const std::vector<Row>& rows, TableFormat format) {
  std::string out;
  auto line = [&out, format](const Row& row) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      // Appended piece by piece: "x" + cell + "y" makes g++ 12 at -O3 warn falsely
      // (-Wrestrict, GCC bug 105329).
      if (format == TableFormat::kCsv) {
        if (i > 0) out += ',';
        out += CsvCell(row[i]);
      } else {
        out += "| ";
        out += MarkdownCell(row[i]);
        out += ' ';
      }
    }
    out += format == TableFormat::kCsv ? "\n" : "|\n";
  };
  line(header);
  if (format == TableFormat::kMarkdown) {
    for (std::size_t i = 0; i < header.size(); ++i) out += "|---";
    out += "|\n";
  }
  for (const auto& row : rows) line(row);
  return out;
}

std::string DecisionLabels(const Plan& plan) {
  std::string labels;
  for (const auto& decision : plan.decisions) {
    if (decision.label.empty()) continue;
    labels += (labels.empty() ? "" : "; ") + decision.label;
  }
  return labels;
}

// The lists the board is on, by name: "Excluded; Packaged 2018", or "none".
std::string BoardListNames(const Plan& plan) {
  std::string names;
  for (const auto& list : plan.boardLists) {
    if (!names.empty()) names += "; ";
    names += list.substr(0, list.find(':'));
  }
  return names.empty() ? "none" : names;
}

std::string SchemeName(const Plan& plan) {
  return plan.scheme ? plan.scheme->name : "-";
}

// "subgroup / setting" -> "AC value / DC value", in the scheme's order.
std::vector<std::pair<std::string, std::string>> SettingCells(const Plan& plan) {
  std::vector<std::pair<std::string, std::string>> cells;
  if (!plan.scheme) return cells;
  for (const auto& setting : plan.scheme->settings) {
    cells.emplace_back(setting.subgroup + " / " + setting.name, setting.ac + " / " + setting.dc);
  }
  return cells;
}

// Everything a plan says, as named facts, for comparing two plans of one machine.
std::vector<std::pair<std::string, std::string>> Facts(const Plan& plan) {
  std::vector<std::pair<std::string, std::string>> facts = {
      {"Board", plan.board},
      {"Build", plan.build},
      {"Feature bytes", plan.featureBytes},
      {"Connected Standby", plan.ConnectedStandbyText()},
      {"Class", plan.platformClass},
      {"Decisions", DecisionLabels(plan)},
      {"Board lists", BoardListNames(plan)},
      {"Scheme", SchemeName(plan)},
  };
  for (const auto& decision : plan.decisions) {
    facts.emplace_back("Decision: " + decision.question, decision.answerText);
  }
  for (const auto& [name, value] : SettingCells(plan)) facts.emplace_back(name, value);
  for (const auto& script : plan.scripts) {
    facts.emplace_back("Script " + script.script, script.commandLine);
  }
  for (const auto& value : plan.registry) {
    facts.emplace_back("Registry " + value.key + "\\" + value.name, value.Text());
  }
  for (const auto& adapter : plan.adapters) {
    facts.emplace_back("Adapter " + adapter.adapter, adapter.outcome + ", " + adapter.why);
  }
  for (const auto& value : plan.otherSchemes) {
    facts.emplace_back(value.scheme + ": " + value.setting + " (" + value.mode + ")", value.value);
  }
  return facts;
}

std::string BaseName(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

// The profiles named on the command line, folders expanded to their *.json files (in any case:
// files copied from Windows may say .JSON) in name order. A folder without one is named on
// standard error and makes `allFound` false.
std::vector<std::string> ProfilePaths(const std::vector<std::string>& arguments, std::ostream& err,
                                      bool* allFound) {
  std::vector<std::string> paths;
  for (const auto& argument : arguments) {
    std::error_code error;
    if (!std::filesystem::is_directory(argument, error)) {
      paths.push_back(argument);
      continue;
    }
    std::vector<std::string> inFolder;
    for (const auto& entry : std::filesystem::directory_iterator(argument, error)) {
      if (EndsWithIgnoringCase(Utf8ToUtf16(entry.path().filename().string()), u".json")) {
        inFolder.push_back(entry.path().string());
      }
    }
    if (inFolder.empty()) {
      err << "presetra: " << argument << ": no *.json machine profiles in this folder\n";
      *allFound = false;
    }
    std::sort(inFolder.begin(), inFolder.end());
    paths.insert(paths.end(), inFolder.begin(), inFolder.end());
  }
  return paths;
}

// Plans every profile; one that cannot be read or used is reported by name and skipped.
bool PlanAll(const std::vector<std::string>& arguments, std::vector<Plan>* plans,
             std::ostream& err) {
  bool allPlanned = true;
  std::vector<std::string> planned;
  for (const auto& path : ProfilePaths(arguments, err, &allPlanned)) {
    std::string problem;
    const std::optional<std::string> text = ReadFileText(path, &problem);
    if (!text) {
      err << "presetra: " << path << ": " << problem << "; skipped\n";
      allPlanned = false;
      continue;
    }
    try {
      Plan plan = MakePlan(*text, path);
      for (const auto& warning : plan.warnings) {
        err << "presetra: " << path << ": warning: " << warning << "\n";
      }
      planned.push_back(path);
      plans->push_back(std::move(plan));
    } catch (const sim::ProfileError& error) {
      err << "presetra: " << path << ": " << error.what() << "; skipped\n";
      allPlanned = false;
    }
  }
  // A machine is its file name, unless another profile has the same name: then its path.
  std::map<std::string, int> named;
  for (const auto& path : planned) ++named[BaseName(path)];
  for (std::size_t i = 0; i < plans->size(); ++i) {
    const std::string name = BaseName(planned[i]);
    (*plans)[i].machine = named[name] > 1 ? planned[i] : name;
  }
  return allPlanned;
}

}  // namespace

std::string MatrixTable(const std::vector<Plan>& plans, TableFormat format) {
  // A setting earns a column when the machines do not all end with the same values.
  std::vector<std::string> columns;
  std::map<std::string, std::set<std::string>> valuesOf;
  std::vector<std::map<std::string, std::string>> cellsOf;
  for (const auto& plan : plans) {
    std::map<std::string, std::string> cells;
    for (const auto& [name, value] : SettingCells(plan)) {
      if (valuesOf.find(name) == valuesOf.end()) columns.push_back(name);
      valuesOf[name].insert(value);
      cells.emplace(name, value);
    }
    cellsOf.push_back(std::move(cells));
  }
  std::vector<std::string> differing;
  for (const auto& column : columns) {
    std::size_t present = 0;
    for (const auto& cells : cellsOf) present += cells.count(column);
    if (valuesOf[column].size() > 1 || present < plans.size()) differing.push_back(column);
  }

  Row header = {"Machine", "Board", "Build", "Feature bytes", "Class", "Scheme", "Decisions"};
  for (const auto& column : differing) header.push_back(column + " (AC / DC)");
  std::vector<Row> rows;
  for (std::size_t i = 0; i < plans.size(); ++i) {
    const Plan& plan = plans[i];
    Row row = {plan.machine,       plan.board,       plan.build,          plan.featureBytes,
               plan.platformClass, SchemeName(plan), DecisionLabels(plan)};
    for (const auto& column : differing) {
      auto cell = cellsOf[i].find(column);
      row.push_back(cell == cellsOf[i].end() ? "-" : cell->second);
    }
    rows.push_back(std::move(row));
  }
  return RenderTable(header, rows, format);
}

std::string MatrixDiff(const std::vector<Plan>& before, const std::vector<Plan>& after,
                       TableFormat format) {
  std::map<std::string, const Plan*> old;
  std::map<std::string, const Plan*> now;
  for (const auto& plan : before) old[plan.machine] = &plan;
  for (const auto& plan : after) now[plan.machine] = &plan;
  std::set<std::string> machines;
  for (const auto& [name, plan] : old) machines.insert(name);
  for (const auto& [name, plan] : now) machines.insert(name);

  std::vector<Row> rows;
  for (const auto& machine : machines) {
    auto was = old.find(machine);
    auto is = now.find(machine);
    if (was == old.end() || is == now.end()) {
      const Plan& plan = was == old.end() ? *is->second : *was->second;
      const std::string summary = plan.platformClass + ", " + SchemeName(plan);
      rows.push_back(was == old.end() ? Row{machine, "Machine", "(absent)", summary}
                                      : Row{machine, "Machine", summary, "(absent)"});
      continue;
    }
    const auto oldFacts = Facts(*was->second);
    const auto newFacts = Facts(*is->second);
    std::map<std::string, std::string> oldByName(oldFacts.begin(), oldFacts.end());
    std::map<std::string, std::string> newByName(newFacts.begin(), newFacts.end());
    std::vector<std::string> names;
    for (const auto& [name, value] : oldFacts) names.push_back(name);
    for (const auto& [name, value] : newFacts) {
      if (oldByName.find(name) == oldByName.end()) names.push_back(name);
    }
    for (const auto& name : names) {
      auto a = oldByName.find(name);
      auto b = newByName.find(name);
      const std::string from = a == oldByName.end() ? "(none)" : a->second;
      const std::string to = b == newByName.end() ? "(none)" : b->second;
      if (from != to) rows.push_back(Row{machine, name, from, to});
    }
  }
  if (rows.empty() && format == TableFormat::kMarkdown) {
    return "No differences: every machine gets the same.\n";
  }
  return RenderTable({"Machine", "What", "Before", "After"}, rows, format);
}

int RunMatrix(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  std::vector<std::string> paths;
  std::vector<std::string> otherPaths;
  bool diff = false;
  TableFormat format = TableFormat::kMarkdown;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--format" && i + 1 < arguments.size()) {
      const std::string& value = arguments[++i];
      if (value != "markdown" && value != "csv") {
        err << "presetra matrix: --format \"" << value << "\": expected markdown or csv\n";
        return 2;
      }
      format = value == "csv" ? TableFormat::kCsv : TableFormat::kMarkdown;
    } else if (argument == "--diff") {
      diff = true;
    } else if (argument.rfind("--", 0) == 0) {
      err << "presetra matrix: unknown or incomplete argument \"" << argument << "\"\n" << kUsage;
      return 2;
    } else {
      (diff ? otherPaths : paths).push_back(argument);
    }
  }
  if (paths.empty() || (diff && otherPaths.empty())) {
    err << "presetra matrix: " << (paths.empty() ? "no profiles given" : "--diff needs profiles")
        << "\n"
        << kUsage;
    return 2;
  }
  std::vector<Plan> plans;
  bool allPlanned = PlanAll(paths, &plans, err);
  if (diff) {
    std::vector<Plan> otherPlans;
    allPlanned = PlanAll(otherPaths, &otherPlans, err) && allPlanned;
    out << MatrixDiff(plans, otherPlans, format);
  } else {
    out << MatrixTable(plans, format);
  }
  return allPlanned ? 0 : 1;
}

}  // namespace presetra::cli
