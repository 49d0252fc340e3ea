// Many machines at once: a table with a row per machine (class, scheme, decisions and the
// settings that differ between machines), or only what changes between two sets of profiles.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/fleet/table_cells.h"
#include "cli/run/arguments.h"
#include "cli/run/plan.h"

namespace presetra::cli {

std::string MatrixTable(const std::vector<Plan>& plans, TableFormat format);
// What changes from `before` to `after`, machines matched by name: one row per change.
std::string MatrixDiff(const std::vector<Plan>& before, const std::vector<Plan>& after,
                       TableFormat format);

// presetra matrix DIR|FILE... [--format markdown|csv] [--diff OTHER_DIR|FILE...]
int RunMatrix(const Arguments& arguments, std::ostream& out, std::ostream& err);

}  // namespace presetra::cli
