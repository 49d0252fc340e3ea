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
  // Its access list lets accounts other than the system's and its owner add to it, delete it,
  // or change its attributes (and so make it a junction): what a folder made at the root of
  // C:\ without an access list of its own inherits from there. Read for folders only.
  bool othersMayChange = false;
};

// Whether what was opened at `path` is a link: a reparse point, or (where links are not reparse
// points, as under Wine) a handle whose final path is elsewhere.
inline bool IsLink(WStringView path, const FileFacts& facts) {
  return facts.reparsePoint || !EqualsIgnoringCase(facts.finalPath, path);
}

// A file opened for appending bytes ("ab"). Nobody else can open it while it is open, so no
// reader can lock a range of it and make an append fail.
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

// A folder held open, found without following a link at its name. While it is held nobody can
// rename it, delete it or open it to add to it (it shares reading only), so what was checked
// about it stays true. Windows lets anyone who may write its attributes still make it, while
// it is empty, a junction: share modes do not cover that right. So what is made in it is
// made through the held handle (an open relative to it), never by a path that a junction on
// the way could send elsewhere.
class HeldFolder {
 public:
  virtual ~HeldFolder() = default;
  [[nodiscard]] virtual const FileFacts& Facts() const = 0;
  // The folder `name` (one name, no separator) in this one, held as this one is; made, with
  // the protected access list, when it is not there and `create` is set. Null when it is not
  // there and was not made, or cannot be held (someone has it open to change it, or this
  // folder has been made a link).
  [[nodiscard]] virtual std::unique_ptr<HeldFolder> HoldFolder(WStringView name, bool create) = 0;
  // The file `name` in this one, opened for appending without following a link at its name;
  // made, with the protected access list, when it is not there. Null when it cannot be opened.
  [[nodiscard]] virtual std::unique_ptr<AppendFile> OpenForAppend(WStringView name) = 0;
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
  // Opens a drive's root folder ("C:\"), where every walk down to a folder starts: the one
  // folder nobody can rename, replace or make a link. Null when it cannot be opened.
  [[nodiscard]] virtual std::unique_ptr<HeldFolder> HoldRoot(WStringView drive) = 0;
};

}  // namespace presetra::platform
