// Files and folders, as shlwapi and kernel32 present them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/text.h"

namespace presetra::platform {

// A file opened for appending bytes ("ab").
class AppendFile {
 public:
  virtual ~AppendFile() = default;
  // The file's size in bytes when it was opened.
  [[nodiscard]] virtual std::uint64_t SizeAtOpen() const = 0;
  // Appends the bytes; false when not all could be written.
  [[nodiscard]] virtual bool Append(const std::uint8_t* data, std::size_t size) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // PathFileExistsW: a file or a folder. "X\." names the folder X.
  [[nodiscard]] virtual bool PathFileExists(WStringView path) = 0;
  // PathIsRelativeW.
  [[nodiscard]] virtual bool PathIsRelative(WStringView path) = 0;
  // CreateDirectoryW: false when the folder was not created, also when it exists already.
  virtual bool CreateDirectory(WStringView path) = 0;
  // Opens the file for appending, creating it when it does not exist. Null when it cannot be
  // opened.
  [[nodiscard]] virtual std::unique_ptr<AppendFile> OpenForAppend(WStringView path) = 0;
};

}  // namespace presetra::platform
