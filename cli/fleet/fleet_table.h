// The table of a fleet, a row per machine, built while the fleet is planned.
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <unordered_map>
#include <vector>

#include "cli/fleet/parallel.h"
#include "cli/fleet/table_cells.h"

namespace presetra::cli {

// The table of a fleet, kept small while the fleet is planned: each text a cell can hold is
// kept once, and so is each list of settings (a fleet has few different ones), so that a row is
// a handful of numbers and memory does not grow with the plans. Rows may be set from many
// threads at once, in any order; the table shows them in index order.
class FleetTable {
 public:
  explicit FleetTable(std::size_t machines) : rows_(machines) {}

  // The plan's row; from any thread.
  void Set(std::size_t index, const Plan& plan);
  // The table of the rows set, named by `names` (by index), written as it is made.
  void Write(const std::vector<std::string>& names, TableFormat format, std::ostream& out) const;

 private:
  using Id = std::uint32_t;
  using Ids = std::vector<std::pair<Id, Id>>;  // setting name, its AC / DC text
  static constexpr Id kNone = ~Id{0};
  struct Cells {
    Id board = kNone, build = kNone, windowsValues = kNone, featureBytes = kNone,
       platformClass = kNone, scheme = kNone, decisions = kNone;
    Id settings = kNone;  // kNone: the machine was not planned
  };

  Id Text(const std::string& text);

  mutable WorkMutex mutex_;
  std::vector<std::string> texts_;
  std::unordered_map<std::string, Id> textIds_;
  std::vector<const Ids*> lists_;
  std::map<Ids, Id> listIds_;
  std::vector<Cells> rows_;
};

}  // namespace presetra::cli
