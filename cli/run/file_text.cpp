#include "cli/run/file_text.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace presetra::cli {

std::optional<std::string> ReadFileText(const std::string& path, std::string* problem) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (status.type() == fs::file_type::not_found) {
    *problem = "no such file";
    return std::nullopt;
  }
  if (status.type() == fs::file_type::directory) {
    *problem = "a folder, not a file";
    return std::nullopt;
  }
  if (error) {
    *problem = "cannot be read: " + error.message();
    return std::nullopt;
  }
  if (status.type() != fs::file_type::regular) {
    *problem = "not a regular file";
    return std::nullopt;
  }
  errno = 0;
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    *problem = std::string("cannot be read: ") +
               (errno != 0 ? std::strerror(errno) : "the file could not be opened");
    return std::nullopt;
  }
  std::ostringstream text;
  text << file.rdbuf();
  if (file.bad()) {
    *problem = "cannot be read: reading failed";
    return std::nullopt;
  }
  return text.str();
}

}  // namespace presetra::cli
