// Reading a whole input file for the tool.
#pragma once

#include <optional>
#include <string>

namespace presetra::cli {

// The bytes of a regular file; nullopt when it cannot be had, with why in `problem`:
// "no such file", "a folder, not a file", or "cannot be read: <the system's reason>".
std::optional<std::string> ReadFileText(const std::string& path, std::string* problem);

}  // namespace presetra::cli
