// Folders reached from their drive's root one level at a time, each held and checked before
// the next is opened or made, and files opened through the held folder: no link planted on the
// way, before or during the walk, can send what SYSTEM makes or writes elsewhere.
#pragma once

#include <memory>
#include <vector>

#include "platform/files.h"

namespace presetra {

// What is wrong with a file or folder opened at `path` for SYSTEM to write in, or empty: a
// link, a hard link, or an owner who could have planted one.
WString Refusal(const WString& path, const platform::FileFacts& facts);

class FolderWalk {
 public:
  // Walks down to `folder` ("C:\\A\\B", a final backslash allowed), making each missing folder
  // when `create`. Stops at the first level that is missing (and was not made) or refused.
  FolderWalk(platform::FileSystem& files, const WString& folder, bool create);

  // The deepest folder held below the drive's root, with a final backslash; empty when none.
  WString Reached() const;
  // The first level neither there nor made; empty when there was none.
  const WString& Missing() const { return missing_; }
  // What is wrong with the first level refused; empty when none was.
  const WString& Refused() const { return refused_; }
  // Opens the file `name` in the deepest folder held; what is wrong with it, or empty (and
  // then `file` is open).
  WString Open(WStringView name, std::unique_ptr<platform::AppendFile>& file);
  // Hands the held folders over, the drive's root first, to keep them held while a file in
  // them is open.
  std::vector<std::unique_ptr<platform::HeldFolder>> Release() { return std::move(held_); }

 private:
  std::vector<std::unique_ptr<platform::HeldFolder>> held_;  // the drive's root first
  std::vector<WString> paths_;                               // of each held below the root
  WString missing_;
  WString refused_;
};

// Opens the file `name` in the held folder at `folder` (with its final backslash); what is
// wrong with it, or empty (and then `file` is open).
WString OpenChecked(platform::HeldFolder& held, const WString& folder, WStringView name,
                    std::unique_ptr<platform::AppendFile>& file);

}  // namespace presetra
