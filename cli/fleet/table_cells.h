// A fleet's table as text: rows in Markdown or CSV, and the cells a plan gives its row.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "cli/run/plan.h"

namespace presetra::cli {

enum class TableFormat { kMarkdown, kCsv };

using Row = std::vector<std::string>;

// One row of the table, with its line break.
void AppendLine(std::string& out, const Row& row, TableFormat format);
// The header, and under it the markdown separator line.
std::string HeaderLines(const Row& header, TableFormat format);
std::string RenderTable(const Row& header, const std::vector<Row>& rows, TableFormat format);

// The decisions in short: "notebook; CS; gu; RS3+; 2019+".
std::string DecisionLabels(const Plan& plan);
// The lists the board is on, by name: "Excluded; Packaged 2018", or "none".
std::string BoardListNames(const Plan& plan);
std::string SchemeName(const Plan& plan);
// "subgroup / setting" -> "AC value / DC value", in the scheme's order.
std::vector<std::pair<std::string, std::string>> SettingCells(const Plan& plan);

}  // namespace presetra::cli
