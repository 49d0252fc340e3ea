// Reading a whole input file for the tool.
#pragma once

#include <optional>
#include <string>

namespace presetra::cli {

// The bytes of a regular file; nullopt when the path is missing, a folder, or unreadable.
std::optional<std::string> ReadFileText(const std::string& path);

}  // namespace presetra::cli
