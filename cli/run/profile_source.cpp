#include "cli/run/profile_source.h"

#include <optional>
#include <ostream>

#include "cli/run/file_text.h"

namespace presetra::cli {

bool ReadMachineProfile(const std::string& file, std::string* text, std::string* source,
                        std::ostream& err) {
  if (file.empty()) {
    *text = DefaultMachineProfile();
    *source = "(default machine)";
    return true;
  }
  *source = file;
  std::string problem;
  std::optional<std::string> content = ReadFileText(file, &problem);
  if (!content) {
    err << "presetra: " << file << ": " << problem << "\n";
    return false;
  }
  *text = std::move(*content);
  return true;
}

}  // namespace presetra::cli
