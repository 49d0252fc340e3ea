// The simulated file system: folders and files on drive C:, names compared ignoring case, file
// bytes kept exactly. A read-only folder refuses new folders and files inside it.
#pragma once

#include <map>
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
  std::unique_ptr<platform::AppendFile> OpenForAppend(WStringView path) override;

  // Direct access for loading a profile and for tests; neither counts nor fails.
  void AddFolder(WStringView path);
  void AddFile(WStringView path, std::vector<std::uint8_t> bytes = {});
  void MakeReadOnly(WStringView path);
  void Remove(WStringView path);
  bool IsFolder(WStringView path) const;
  bool IsFile(WStringView path) const;
  std::optional<std::vector<std::uint8_t>> ReadFile(WStringView path) const;
  // Appends bytes to a file as a program outside the library would (a script's redirected
  // output). False when the file cannot be created.
  bool AppendFromOutside(WStringView path, const std::vector<std::uint8_t>& bytes);
  // Whether a new file or folder can be made at the path: its folder exists and is writable.
  bool CanCreateIn(WStringView path) const;

  std::string Dump() const;

 private:
  struct Node {
    WString path;  // as first written
    bool folder = false;
    bool readOnly = false;
    std::vector<std::uint8_t> bytes;
  };
  static WString Normalize(WStringView path);
  static WString ParentOf(const WString& normalized);
  const Node* Find(WStringView path) const;

  Faults& faults_;
  std::map<WString, Node> nodes_;  // by upper-cased normalised path
  friend class AppendFileImpl;
};

}  // namespace presetra::sim
