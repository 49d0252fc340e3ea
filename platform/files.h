// Files and folders, as shlwapi and kernel32 present them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/text.h"

namespace presetra::platform {

// Who owns a file or folder, as far as trusting what is in it goes.
enum class Owner {
  kSystem,            // LocalSystem (S-1-5-18)
  kAdministrators,    // BUILTIN\Administrators (S-1-5-32-544)
  kTrustedInstaller,  // NT SERVICE\TrustedInstaller
  kCaller,            // the account this process runs as
  kOther,             // anyone else, a standard user for one
  kUnknown,           // the owner could not be read
};

// What a handle opened on a path, without following a link at the path's end, found there.
struct FileFacts {
  // A junction or a symbolic link (FILE_ATTRIBUTE_REPARSE_POINT).
  bool reparsePoint = false;
  Owner owner = Owner::kUnknown;
  // GetFinalPathNameByHandleW, without its "\\?\": where the handle really is.
  WString finalPath;
  // Names of the file (nNumberOfLinks): more than one is a hard link.
  std::uint32_t linkCount = 1;
};

// Whether what was opened at `path` is a link: a reparse point, or (where links are not reparse
// points, as under Wine) a handle whose final path is elsewhere.
inline bool IsLink(WStringView path, const FileFacts& facts) {
  return facts.reparsePoint || !EqualsIgnoringCase(facts.finalPath, path);
}

// A file opened for appending bytes ("ab").
class AppendFile {
 public:
  virtual ~AppendFile() = default;
  // The file's size in bytes when it was opened.
  [[nodiscard]] virtual std::uint64_t SizeAtOpen() const = 0;
  // Appends the bytes; false when not all could be written.
  [[nodiscard]] virtual bool Append(const std::uint8_t* data, std::size_t size) = 0;
  [[nodiscard]] virtual const FileFacts& Facts() const = 0;
  // The handle a started program may be given as its output (a HANDLE on Windows).
  [[nodiscard]] virtual std::uintptr_t NativeHandle() const = 0;
};

// A folder held open. While it is held nobody can rename it, delete it or put a link in its
// place, so what was checked about it stays true.
class HeldFolder {
 public:
  virtual ~HeldFolder() = default;
  [[nodiscard]] virtual const FileFacts& Facts() const = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // PathFileExistsW: a file or a folder. "X\." names the folder X.
  [[nodiscard]] virtual bool PathFileExists(WStringView path) = 0;
  // PathIsRelativeW.
  [[nodiscard]] virtual bool PathIsRelative(WStringView path) = 0;
  // CreateDirectoryW with a protected access list: SYSTEM and Administrators have full control,
  // Users read and execute, and everything made inside inherits that. False when the folder was
  // not created, also when it exists already.
  virtual bool CreateDirectory(WStringView path) = 0;
  // Opens an existing folder without following a link at its end (FILE_FLAG_BACKUP_SEMANTICS
  // and FILE_FLAG_OPEN_REPARSE_POINT), sharing reading and writing but not deletion. Null when
  // it cannot be opened.
  [[nodiscard]] virtual std::unique_ptr<HeldFolder> HoldFolder(WStringView path) = 0;
  // Opens the file for appending, creating it when it does not exist, without following a link
  // at its end (FILE_FLAG_OPEN_REPARSE_POINT). Null when it cannot be opened.
  [[nodiscard]] virtual std::unique_ptr<AppendFile> OpenForAppend(WStringView path) = 0;
};

}  // namespace presetra::platform
