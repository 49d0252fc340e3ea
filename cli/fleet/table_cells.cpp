#include "cli/fleet/table_cells.h"

namespace presetra::cli {

namespace {

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

}  // namespace

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

}  // namespace presetra::cli
