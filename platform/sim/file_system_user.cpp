// What a standard user can do to the file system while the library runs, checked as Windows
// checks it: the access list first, then the share modes of the handles open on the entry.
#include "platform/sim/file_system.h"

namespace presetra::sim {

bool FileSystem::UserMayChange(const Node& node) {
  return node.owner == platform::Owner::kOther || node.othersMayChange;
}

bool FileSystem::OpenBelow(const WString& normalized) const {
  const WString key = ToUpper(normalized);
  for (const auto& [other, node] : nodes_) {
    if ((other == key || other.rfind(key + u"\\", 0) == 0) && *node.libraryHandles > 0) {
      return true;
    }
  }
  return false;
}

bool FileSystem::UserMakeFolder(WStringView path) {
  const WString resolved = Resolve(path, false);
  if (resolved.empty() || At(resolved) != nullptr) return false;
  const Node* parent = At(ParentOf(resolved));
  if (parent == nullptr || !parent->folder || parent->readOnly || !UserMayChange(*parent)) {
    return false;
  }
  // What the user makes is theirs, and inherits the folder's access list.
  AddFolder(resolved, platform::Owner::kOther, true);
  return true;
}

bool FileSystem::UserMakeJunction(WStringView path, WStringView target) {
  const WString resolved = Resolve(path, false);
  if (resolved.empty()) return false;
  if (At(resolved) == nullptr && !UserMakeFolder(resolved)) return false;
  Node& node = *At(resolved);
  // FSCTL_SET_REPARSE_POINT needs FILE_WRITE_ATTRIBUTES (or FILE_WRITE_DATA) and an empty
  // folder; share modes do not cover the attributes, so a held folder is no obstacle.
  if (!node.folder || node.linkTarget || !UserMayChange(node) || Below(resolved).size() != 1) {
    return false;
  }
  node.folder = false;
  node.linkTarget = Normalize(target);
  hasLinks_ = true;
  return true;
}

bool FileSystem::UserRemove(WStringView path) {
  const WString resolved = Resolve(path, false);
  const Node* node = At(resolved);
  const Node* parent = At(ParentOf(resolved));
  if (node == nullptr || parent == nullptr) return false;
  // DELETE on the entry, or the folder's right to delete what is in it.
  if (!UserMayChange(*node) && parent->owner != platform::Owner::kOther) return false;
  // A held folder shares no deletion, and Windows renames no folder that has something open
  // inside it.
  if (OpenBelow(resolved)) return false;
  Remove(resolved);
  return true;
}

bool FileSystem::UserMakeFile(WStringView path) {
  const WString resolved = Resolve(path, false);
  const Node* parent = At(ParentOf(resolved));
  if (resolved.empty() || At(resolved) != nullptr || parent == nullptr || !parent->folder ||
      parent->readOnly || !UserMayChange(*parent)) {
    return false;
  }
  AddFile(resolved, {}, platform::Owner::kOther);
  return true;
}

bool FileSystem::UserHardLink(WStringView path, WStringView existing) {
  const WString resolved = Resolve(path, false);
  const Node* file = Find(existing);
  const Node* parent = At(ParentOf(resolved));
  if (resolved.empty() || At(resolved) != nullptr || file == nullptr || file->folder ||
      parent == nullptr || parent->readOnly || !UserMayChange(*parent)) {
    return false;
  }
  AddHardLink(resolved, existing);
  return true;
}

bool FileSystem::UserOpenToChange(WStringView path) {
  Node* node = At(Resolve(path, false));
  // The library's handles share neither writing nor deletion.
  if (node == nullptr || !UserMayChange(*node) || *node->libraryHandles > 0) return false;
  ++node->userChangeHandles;
  return true;
}

}  // namespace presetra::sim
