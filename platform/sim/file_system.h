// The simulated file system: folders and files on drive C:, names compared ignoring case, file
// bytes kept exactly. A read-only folder refuses new folders and files inside it. Every entry
// has an owner; an entry may be a link (a junction or symbolic link to another path, which
// every path look-up follows as Windows does, unless told not to at the path's end) or one more
// name of a file (a hard link).
#pragma once

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
  std::unique_ptr<platform::HeldFolder> HoldFolder(WStringView path) override;
  std::unique_ptr<platform::AppendFile> OpenForAppend(WStringView path) override;

  // Direct access for loading a profile and for tests; neither counts nor fails.
  void AddFolder(WStringView path, platform::Owner owner = platform::Owner::kAdministrators);
  void AddFile(WStringView path, std::vector<std::uint8_t> bytes = {});
  // Makes `path` a link to `target` (a junction to a folder, a symbolic link to a file),
  // replacing whatever was at `path`.
  void AddLink(WStringView path, WStringView target);
  // Gives the file at `existing` a second name, `path`.
  void AddHardLink(WStringView path, WStringView existing);
  void MakeReadOnly(WStringView path);
  void Remove(WStringView path);
  // After the n-th OpenForAppend from now (1-based), `path` becomes a link to `target`: what
  // a user who waits for the log to be opened does.
  void LinkAfterOpens(std::uint64_t n, WStringView path, WStringView target);
  // How many times OpenForAppend was called.
  std::uint64_t OpenCount() const { return opens_; }
  // How many folders are held now.
  std::size_t HeldFolderCount() const { return *heldFolders_; }

  // These follow links as Windows does.
  bool IsFolder(WStringView path) const;
  bool IsFile(WStringView path) const;
  std::optional<std::vector<std::uint8_t>> ReadFile(WStringView path) const;
  // Appends bytes to a file as a program outside the library would (a script's redirected
  // output). False when the file cannot be created.
  bool AppendFromOutside(WStringView path, const std::vector<std::uint8_t>& bytes);
  // Whether a new file or folder can be made at the path: its folder exists and is writable.
  bool CanCreateIn(WStringView path) const;
  // Every file and folder at or below `path` (itself not followed if a link).
  std::vector<WString> Below(WStringView path) const;

  std::string Dump() const;

 private:
  struct Node {
    WString path;  // as first written
    bool folder = false;
    bool readOnly = false;
    platform::Owner owner = platform::Owner::kAdministrators;
    std::optional<WString> linkTarget;  // a junction or symbolic link
    std::shared_ptr<std::vector<std::uint8_t>> bytes =
        std::make_shared<std::vector<std::uint8_t>>();
  };
  struct PendingLink {
    std::uint64_t atOpen;
    WString path;
    WString target;
  };
  static WString Normalize(WStringView path);
  static WString ParentOf(const WString& normalized);
  // The path with every link on the way replaced by its target; the last name is followed only
  // when `followLast`.
  WString Resolve(WStringView path, bool followLast = true) const;
  const Node* Find(WStringView path, bool followLast = true) const;
  Node* Find(WStringView path, bool followLast = true);
  Node& Put(const WString& normalized);
  platform::FileFacts FactsOf(const WString& normalized, const Node& node) const;

  Faults& faults_;
  std::map<WString, Node, LessIgnoringCase> nodes_;  // by upper-cased normalised path
  // Whether a link was ever made: without one every path is its own resolution, which spares
  // each lookup a walk over its folders.
  bool hasLinks_ = false;
  std::uint64_t opens_ = 0;
  std::vector<PendingLink> pendingLinks_;
  std::shared_ptr<std::size_t> heldFolders_ = std::make_shared<std::size_t>(0);
};

}  // namespace presetra::sim
