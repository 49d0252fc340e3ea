// The simulated file system: folders and files on drive C:, names compared ignoring case, file
// bytes kept exactly. A read-only folder refuses new folders and files inside it. Every entry
// has an owner, and may let other accounts change it (its access list); an entry may be a link
// (a junction or symbolic link to another path, which every path look-up follows as Windows
// does, unless told not to at the path's end) or one more name of a file (a hard link).
// Handles the library holds keep their share modes: a held folder cannot be renamed, deleted
// or opened to be changed, a file the library has open cannot be opened by anyone else; and
// what a standard user may do (the User... calls) is checked against both, as Windows checks
// it: making an empty folder a junction needs only the right to write its attributes, which
// no share mode withholds.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/sim/faults.h"

namespace presetra::sim {

class FileSystem : public platform::FileSystem {
 public:
  explicit FileSystem(Faults& faults);

  bool PathFileExists(WStringView path) override;
  bool PathIsRelative(WStringView path) override;
  bool CreateDirectory(WStringView path) override;
  std::unique_ptr<platform::HeldFolder> HoldRoot(WStringView drive) override;

  // Direct access for loading a profile and for tests; neither counts nor fails.
  void AddFolder(WStringView path, platform::Owner owner = platform::Owner::kAdministrators,
                 bool othersMayChange = false);
  void AddFile(WStringView path, std::vector<std::uint8_t> bytes = {},
               platform::Owner owner = platform::Owner::kAdministrators);
  // Makes `path` a link to `target` (a junction to a folder, a symbolic link to a file),
  // replacing whatever was at `path`.
  void AddLink(WStringView path, WStringView target);
  // Gives the file at `existing` a second name, `path`.
  void AddHardLink(WStringView path, WStringView existing);
  void MakeReadOnly(WStringView path);
  void Remove(WStringView path);
  // After the n-th file open from now (1-based), `path` becomes a link to `target`: what a
  // user who waits for the log to be opened does.
  void LinkAfterOpens(std::uint64_t n, WStringView path, WStringView target);
  // Runs `action` just before the n-th file-system call from now (1-based): a user acting at
  // that moment of the action.
  void BeforeCall(std::uint64_t n, std::function<void(FileSystem&)> action);
  // How many times a file was opened.
  std::uint64_t OpenCount() const { return opens_; }
  // How many file-system calls were made.
  std::uint64_t CallCount() const { return calls_; }
  // How many folders are held now.
  std::size_t HeldFolderCount() const { return *heldFolders_; }

  // What a standard user may do, as Windows lets them; each is false when Windows refuses it.
  // A new folder (a path a user names is followed through links, as Windows follows it).
  bool UserMakeFolder(WStringView path);
  // Makes an empty folder a junction to `target`, or makes a new one.
  bool UserMakeJunction(WStringView path, WStringView target);
  // Deletes or renames away the entry at the path (a folder only when it is empty, or when
  // nothing in it is open).
  bool UserRemove(WStringView path);
  // A new empty file of the user's.
  bool UserMakeFile(WStringView path);
  // A second name for the file `existing`.
  bool UserHardLink(WStringView path, WStringView existing);
  // Opens the entry to change it (write, add to it, or delete it), sharing everything, and
  // keeps it open.
  bool UserOpenToChange(WStringView path);

  // These follow links as Windows does.
  bool IsFolder(WStringView path) const;
  bool IsFile(WStringView path) const;
  std::optional<std::vector<std::uint8_t>> ReadFile(WStringView path) const;
  // Appends bytes to a file as a program outside the library would (a script's redirected
  // output). False when the file cannot be created.
  bool AppendFromOutside(WStringView path, const std::vector<std::uint8_t>& bytes);
  // A program given a file the library opened as its output writes to it: not the library's
  // call, so neither counted nor failed.
  static void WriteThrough(platform::AppendFile& file, const std::vector<std::uint8_t>& bytes);
  // Whether a new file or folder can be made at the path: its folder exists and is writable.
  bool CanCreateIn(WStringView path) const;
  // Every file and folder at or below `path` (itself not followed if a link).
  std::vector<WString> Below(WStringView path) const;

  std::string Dump() const;

 private:
  class HeldFolderImpl;
  friend class HeldFolderImpl;
  struct Node {
    WString path;  // as first written
    bool folder = false;
    bool readOnly = false;
    platform::Owner owner = platform::Owner::kAdministrators;
    bool othersMayChange = false;
    std::optional<WString> linkTarget;  // a junction or symbolic link
    std::shared_ptr<std::vector<std::uint8_t>> bytes =
        std::make_shared<std::vector<std::uint8_t>>();
    // Handles open on it: the library's, which share reading only (a held folder) or nothing
    // (a file), and a user's, opened to change it.
    std::shared_ptr<int> libraryHandles = std::make_shared<int>(0);
    int userChangeHandles = 0;
  };
  struct PendingLink {
    std::uint64_t atOpen;
    WString path;
    WString target;
  };
  struct PendingAction {
    std::uint64_t atCall;
    std::function<void(FileSystem&)> action;
  };
  static WString Normalize(WStringView path);
  static WString ParentOf(const WString& normalized);
  // The path with every link on the way replaced by its target; the last name is followed only
  // when `followLast`.
  WString Resolve(WStringView path, bool followLast = true) const;
  const Node* Find(WStringView path, bool followLast = true) const;
  Node* Find(WStringView path, bool followLast = true);
  Node* At(const WString& normalized);
  Node& Put(const WString& normalized);
  platform::FileFacts FactsOf(const WString& normalized, const Node& node) const;
  // Counts a call and runs what was to happen before it; true when it is to fail.
  bool CountCall(Call call);
  void AfterOpen();
  // Holds the folder at the path, opened without following a link at its end.
  std::unique_ptr<platform::HeldFolder> Hold(const WString& normalized);
  std::unique_ptr<platform::HeldFolder> HoldIn(const WString& parent, WStringView name,
                                               bool create);
  std::unique_ptr<platform::AppendFile> OpenIn(const WString& parent, WStringView name);
  // Whether a standard user may change the entry (its access list, or their own).
  static bool UserMayChange(const Node& node);
  // Whether the entry, or anything below it, is open by the library.
  bool OpenBelow(const WString& normalized) const;

  Faults& faults_;
  std::map<WString, Node, LessIgnoringCase> nodes_;  // by upper-cased normalised path
  // Whether a link was ever made: without one every path is its own resolution, which spares
  // each lookup a walk over its folders.
  bool hasLinks_ = false;
  std::uint64_t opens_ = 0;
  std::uint64_t calls_ = 0;
  std::vector<PendingLink> pendingLinks_;
  std::vector<PendingAction> pendingActions_;
  std::shared_ptr<std::size_t> heldFolders_ = std::make_shared<std::size_t>(0);
};

}  // namespace presetra::sim
