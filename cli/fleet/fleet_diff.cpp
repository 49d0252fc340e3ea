#include <map>
#include <set>

#include "cli/fleet/matrix.h"
#include "cli/fleet/table_cells.h"

namespace presetra::cli {

namespace {

// Everything a plan says, as named facts, for comparing two plans of one machine.
std::vector<std::pair<std::string, std::string>> Facts(const Plan& plan) {
  std::vector<std::pair<std::string, std::string>> facts = {
      {"Board", plan.board},
      {"Build", plan.build},
      {"Windows' values", plan.windowsValues},
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

}  // namespace

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

}  // namespace presetra::cli
