#include "cli/matrix.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <ostream>
#include <set>
#include <sstream>
#include <unordered_map>

#include "cli/file_text.h"
#include "cli/parallel.h"

namespace presetra::cli {

namespace {

constexpr char kUsage[] =
    "usage: presetra matrix DIR|FILE... [--format markdown|csv] [--jobs N] [--diff "
    "OTHER_DIR|FILE...]\n"
    "  DIR: every *.json machine profile in it\n"
    "  --jobs: plan on N threads (by default one per core)\n"
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

// One row of the table, with its line break.
void AppendLine(std::string& out, const Row& row, TableFormat format) {
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
}

// The header, and under it the markdown separator line.
std::string HeaderLines(const Row& header, TableFormat format) {
  std::string out;
  AppendLine(out, header, format);
  if (format == TableFormat::kMarkdown) {
    for (std::size_t i = 0; i < header.size(); ++i) out += "|---";
    out += "|\n";
  }
  return out;
}

std::string RenderTable(const Row& header, const std::vector<Row>& rows, TableFormat format) {
  std::string out = HeaderLines(header, format);
  for (const auto& row : rows) AppendLine(out, row, format);
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
  cells.reserve(plan.scheme->settings.size());
  auto joined = [](const std::string& left, const std::string& right) {
    std::string text;
    text.reserve(left.size() + 3 + right.size());
    text.append(left).append(" / ").append(right);
    return text;
  };
  for (const auto& setting : plan.scheme->settings) {
    cells.emplace_back(joined(setting.subgroup, setting.name), joined(setting.ac, setting.dc));
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

// A fleet this large shows its progress when standard error is a terminal.
constexpr std::size_t kFleetWithProgress = 500;

// Plans every profile on `jobs` threads and hands each plan to `keep` (from any thread, once per
// index). A profile that cannot be read or used is reported by name and skipped; the reports
// come in input order. Returns the machines' names by index (empty: skipped) and whether every
// profile was planned.
bool PlanFleet(const std::vector<std::string>& paths, unsigned jobs, std::ostream& err,
               const std::function<void(std::size_t, const Plan&)>& keep,
               std::vector<std::string>* names) {
  std::vector<std::string> messages(paths.size());
  std::vector<char> planned(paths.size(), 0);
  {
    ProgressLine progress(
        "presetra matrix: planned", paths.size(),
        paths.size() >= kFleetWithProgress && &err == &std::cerr && StandardErrorIsTerminal());
    ForEachIndex(paths.size(), jobs, [&](std::size_t i) {
      const std::string& path = paths[i];
      std::string problem;
      const std::optional<std::string> text = ReadFileText(path, &problem);
      if (!text) {
        messages[i] = "presetra: " + path + ": " + problem + "; skipped\n";
      } else {
        try {
          const Plan plan = MakePlan(*text, path);
          for (const auto& warning : plan.warnings) {
            messages[i] += "presetra: " + path + ": warning: " + warning + "\n";
          }
          keep(i, plan);
          planned[i] = 1;
        } catch (const sim::ProfileError& error) {
          messages[i] = "presetra: " + path + ": " + error.what() + "; skipped\n";
        }
      }
      progress.Done();
    });
  }
  bool allPlanned = true;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    err << messages[i];
    allPlanned = allPlanned && planned[i] != 0;
  }
  // A machine is its file name, unless another profile has the same name: then its path.
  std::map<std::string, int> named;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (planned[i] != 0) ++named[BaseName(paths[i])];
  }
  names->assign(paths.size(), std::string());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (planned[i] == 0) continue;
    const std::string name = BaseName(paths[i]);
    (*names)[i] = named[name] > 1 ? paths[i] : name;
  }
  return allPlanned;
}

// Every plan of the profiles, named, for comparing two fleets.
bool PlanAll(const std::vector<std::string>& paths, unsigned jobs, std::vector<Plan>* plans,
             std::ostream& err) {
  std::vector<std::optional<Plan>> byIndex(paths.size());
  std::vector<std::string> names;
  const bool allPlanned = PlanFleet(
      paths, jobs, err, [&byIndex](std::size_t i, const Plan& plan) { byIndex[i] = plan; }, &names);
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (!byIndex[i]) continue;
    byIndex[i]->machine = names[i];
    plans->push_back(std::move(*byIndex[i]));
  }
  return allPlanned;
}

// The table of a fleet, kept small while the fleet is planned: each text a cell can hold is
// kept once, and so is each list of settings (a fleet has few different ones), so that a row is
// a handful of numbers and memory does not grow with the plans. Rows may be set from many
// threads at once, in any order; the table shows them in index order.
class FleetTable {
 public:
  explicit FleetTable(std::size_t machines) : rows_(machines) {}

  void Set(std::size_t index, const Plan& plan) {
    // The texts are made outside the lock; only keeping them is shared.
    const std::string decisions = DecisionLabels(plan);
    const std::string scheme = SchemeName(plan);
    const auto settings = SettingCells(plan);
    const WorkLock lock(mutex_);
    Ids list;
    list.reserve(settings.size());
    for (const auto& [name, value] : settings) list.emplace_back(Text(name), Text(value));
    auto [found, added] = listIds_.emplace(std::move(list), static_cast<Id>(lists_.size()));
    if (added) lists_.push_back(&found->first);
    rows_[index] = Cells{Text(plan.board),
                         Text(plan.build),
                         Text(plan.featureBytes),
                         Text(plan.platformClass),
                         Text(scheme),
                         Text(decisions),
                         found->second};
  }

  // The table of the rows set, named by `names` (by index), written as it is made.
  void Write(const std::vector<std::string>& names, TableFormat format, std::ostream& out) const {
    const WorkLock lock(mutex_);
    // A setting earns a column when the machines do not all end with the same values.
    std::vector<std::size_t> machinesWith(lists_.size(), 0);
    std::size_t machines = 0;
    std::vector<Id> columns;
    std::map<Id, std::set<Id>> valuesOf;
    for (const Cells& row : rows_) {
      if (row.settings == kNone) continue;
      ++machines;
      if (machinesWith[row.settings]++ != 0) continue;
      for (const auto& [name, value] : *lists_[row.settings]) {
        if (valuesOf.find(name) == valuesOf.end()) columns.push_back(name);
        valuesOf[name].insert(value);
      }
    }
    std::vector<Id> differing;
    for (const Id column : columns) {
      std::size_t present = 0;
      for (std::size_t list = 0; list < lists_.size(); ++list) {
        for (const auto& [name, value] : *lists_[list]) {
          if (name != column) continue;
          present += machinesWith[list];
          break;
        }
      }
      if (valuesOf[column].size() > 1 || present < machines) differing.push_back(column);
    }
    // Each list's cell in each column that differs.
    std::vector<std::vector<Id>> cellsOf(lists_.size(), std::vector<Id>(differing.size(), kNone));
    for (std::size_t list = 0; list < lists_.size(); ++list) {
      for (std::size_t c = 0; c < differing.size(); ++c) {
        for (const auto& [name, value] : *lists_[list]) {
          if (name == differing[c] && cellsOf[list][c] == kNone) cellsOf[list][c] = value;
        }
      }
    }

    Row header = {"Machine", "Board", "Build", "Feature bytes", "Class", "Scheme", "Decisions"};
    for (const Id column : differing) header.push_back(texts_[column] + " (AC / DC)");
    out << HeaderLines(header, format);
    std::string line;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      const Cells& row = rows_[i];
      if (row.settings == kNone) continue;
      Row cells = {names[i],
                   texts_[row.board],
                   texts_[row.build],
                   texts_[row.featureBytes],
                   texts_[row.platformClass],
                   texts_[row.scheme],
                   texts_[row.decisions]};
      for (const Id cell : cellsOf[row.settings]) {
        cells.push_back(cell == kNone ? "-" : texts_[cell]);
      }
      line.clear();
      AppendLine(line, cells, format);
      out << line;
    }
  }

 private:
  using Id = std::uint32_t;
  using Ids = std::vector<std::pair<Id, Id>>;  // setting name, its AC / DC text
  static constexpr Id kNone = ~Id{0};
  struct Cells {
    Id board = kNone, build = kNone, featureBytes = kNone, platformClass = kNone, scheme = kNone,
       decisions = kNone;
    Id settings = kNone;  // kNone: the machine was not planned
  };

  Id Text(const std::string& text) {
    // Most texts are known by now: looked up before anything is copied.
    if (auto known = textIds_.find(text); known != textIds_.end()) return known->second;
    const Id id = static_cast<Id>(texts_.size());
    textIds_.emplace(text, id);
    texts_.push_back(text);
    return id;
  }

  mutable WorkMutex mutex_;
  std::vector<std::string> texts_;
  std::unordered_map<std::string, Id> textIds_;
  std::vector<const Ids*> lists_;
  std::map<Ids, Id> listIds_;
  std::vector<Cells> rows_;
};

}  // namespace

std::string MatrixTable(const std::vector<Plan>& plans, TableFormat format) {
  FleetTable table(plans.size());
  std::vector<std::string> names;
  for (std::size_t i = 0; i < plans.size(); ++i) {
    table.Set(i, plans[i]);
    names.push_back(plans[i].machine);
  }
  std::ostringstream out;
  table.Write(names, format, out);
  return out.str();
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
  unsigned jobs = DefaultThreads();
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--format" && i + 1 < arguments.size()) {
      const std::string& value = arguments[++i];
      if (value != "markdown" && value != "csv") {
        err << "presetra matrix: --format \"" << value << "\": expected markdown or csv\n";
        return 2;
      }
      format = value == "csv" ? TableFormat::kCsv : TableFormat::kMarkdown;
    } else if (argument == "--jobs" && i + 1 < arguments.size()) {
      const std::string& value = arguments[++i];
      if (value.empty() || value.size() > 4 ||
          value.find_first_not_of("0123456789") != std::string::npos || std::stoi(value) == 0) {
        err << "presetra matrix: --jobs \"" << value
            << "\": expected a number of threads, 1 to 9999\n";
        return 2;
      }
      jobs = static_cast<unsigned>(std::stoi(value));
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
  bool allFound = true;
  const std::vector<std::string> fleet = ProfilePaths(paths, err, &allFound);
  if (diff) {
    const std::vector<std::string> otherFleet = ProfilePaths(otherPaths, err, &allFound);
    std::vector<Plan> plans;
    std::vector<Plan> otherPlans;
    bool allPlanned = PlanAll(fleet, jobs, &plans, err);
    allPlanned = PlanAll(otherFleet, jobs, &otherPlans, err) && allPlanned;
    out << MatrixDiff(plans, otherPlans, format);
    return allPlanned && allFound ? 0 : 1;
  }
  // Each plan is reduced to its row as soon as it is made.
  FleetTable table(fleet.size());
  std::vector<std::string> names;
  const bool allPlanned = PlanFleet(
      fleet, jobs, err, [&table](std::size_t i, const Plan& plan) { table.Set(i, plan); }, &names);
  table.Write(names, format, out);
  return allPlanned && allFound ? 0 : 1;
}

}  // namespace presetra::cli
