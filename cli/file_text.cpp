#include "cli/file_text.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace presetra::cli {

std::optional<std::string> ReadFileText(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream text;
  text << file.rdbuf();
  if (file.bad()) return std::nullopt;
  return text.str();
}

}  // namespace presetra::cli
