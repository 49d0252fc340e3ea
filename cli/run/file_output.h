// Writing an output file for the tool (--out): whole or not at all, and never through a link.
#pragma once

#include <string>

namespace presetra::cli {

// Writes the bytes to a new file beside `path` and renames it over `path`: a link at the name
// (or a file someone planted there) is replaced, never followed, and a reader never sees half a
// file. On Windows with wide paths. Empty on success, else why it failed.
std::string WriteFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace presetra::cli
