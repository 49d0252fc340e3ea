// Runs the presetra tool in the test's process and keeps what it printed.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace presetra::testing {

struct ToolResult {
  int status;
  std::string out;
  std::string err;
};

inline ToolResult RunTool(const std::vector<std::string>& arguments) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = cli::Run(arguments, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace presetra::testing
