#include "cli/fleet/fleet_table.h"

#include <set>

namespace presetra::cli {

namespace {

// The matrix's short form of where Windows' values came from: "table", "this PC", or the image.
std::string WindowsValuesCell(const Plan& plan) {
  return plan.windowsValues.starts_with("Presetra's") ? "table" : plan.windowsValues;
}

}  // namespace

void FleetTable::Set(std::size_t index, const Plan& plan) {
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
                       Text(WindowsValuesCell(plan)),
                       Text(plan.featureBytes),
                       Text(plan.platformClass),
                       Text(scheme),
                       Text(decisions),
                       found->second};
}

void FleetTable::Write(const std::vector<std::string>& names, TableFormat format,
                       std::ostream& out) const {
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

  Row header = {"Machine",       "Board", "Build",  "Windows' values",
                "Feature bytes", "Class", "Scheme", "Decisions"};
  for (const Id column : differing) header.push_back(texts_[column] + " (AC / DC)");
  out << HeaderLines(header, format);
  std::string line;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const Cells& row = rows_[i];
    if (row.settings == kNone) continue;
    Row cells = {names[i],
                 texts_[row.board],
                 texts_[row.build],
                 texts_[row.windowsValues],
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

FleetTable::Id FleetTable::Text(const std::string& text) {
  // Most texts are known by now: looked up before anything is copied.
  if (auto known = textIds_.find(text); known != textIds_.end()) return known->second;
  const Id id = static_cast<Id>(texts_.size());
  textIds_.emplace(text, id);
  texts_.push_back(text);
  return id;
}

}  // namespace presetra::cli
