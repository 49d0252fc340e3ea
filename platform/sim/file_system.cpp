#include "platform/sim/file_system.h"

#include <algorithm>
#include <sstream>
#include <utility>

namespace presetra::sim {

namespace {

class AppendFileImpl : public platform::AppendFile {
 public:
  AppendFileImpl(Faults& faults, std::shared_ptr<std::vector<std::uint8_t>> bytes,
                 std::shared_ptr<int> handles, platform::FileFacts facts)
      : faults_(faults),
        bytes_(std::move(bytes)),
        handles_(std::move(handles)),
        sizeAtOpen_(bytes_->size()),
        facts_(std::move(facts)) {
    ++*handles_;
  }
  ~AppendFileImpl() override { --*handles_; }
  std::uint64_t SizeAtOpen() const override { return sizeAtOpen_; }
  bool Append(const std::uint8_t* data, std::size_t size) override {
    if (faults_.ShouldFail(Call::kFileWrite)) return false;
    Write(data, size);
    return true;
  }
  void Write(const std::uint8_t* data, std::size_t size) {
    bytes_->insert(bytes_->end(), data, data + size);
  }
  const platform::FileFacts& Facts() const override { return facts_; }
  // The simulated processes take the file itself.
  std::uintptr_t NativeHandle() const override { return 0; }

 private:
  Faults& faults_;
  // Shared with the file's names: like a handle, it keeps the file even when a name goes.
  std::shared_ptr<std::vector<std::uint8_t>> bytes_;
  std::shared_ptr<int> handles_;
  std::uint64_t sizeAtOpen_;
  platform::FileFacts facts_;
};

const char* OwnerName(platform::Owner owner) {
  switch (owner) {
    case platform::Owner::kSystem:
      return "SYSTEM";
    case platform::Owner::kAdministrators:
      return "Administrators";
    case platform::Owner::kTrustedInstaller:
      return "TrustedInstaller";
    case platform::Owner::kCaller:
      return "caller";
    case platform::Owner::kOther:
      return "a standard user";
    case platform::Owner::kUnknown:
      break;
  }
  return "unknown";
}

// Windows gives up on a path after this many links (ERROR_CANT_RESOLVE_FILENAME).
constexpr int kMaxLinkHops = 31;

}  // namespace

// A folder the library holds: its path cannot change while it is held, so the path stands for
// the handle.
class FileSystem::HeldFolderImpl : public platform::HeldFolder {
 public:
  HeldFolderImpl(FileSystem& files, WString path, std::shared_ptr<int> handles,
                 platform::FileFacts facts)
      : files_(files),
        path_(std::move(path)),
        count_(files.heldFolders_),
        handles_(std::move(handles)),
        facts_(std::move(facts)) {
    ++*count_;
    ++*handles_;
  }
  ~HeldFolderImpl() override {
    --*count_;
    --*handles_;
  }
  const platform::FileFacts& Facts() const override { return facts_; }
  std::unique_ptr<platform::HeldFolder> HoldFolder(WStringView name, bool create) override {
    return files_.HoldIn(path_, name, create);
  }
  std::unique_ptr<platform::AppendFile> OpenForAppend(WStringView name) override {
    return files_.OpenIn(path_, name);
  }

 private:
  FileSystem& files_;
  WString path_;
  std::shared_ptr<std::size_t> count_;
  std::shared_ptr<int> handles_;
  platform::FileFacts facts_;
};

FileSystem::FileSystem(Faults& faults) : faults_(faults) {
  // Every signed-in user may make folders at the root of C:.
  AddFolder(u"C:", platform::Owner::kAdministrators, true);
}

bool FileSystem::CountCall(sim::Call call) {
  ++calls_;
  for (auto pending = pendingActions_.begin(); pending != pendingActions_.end();) {
    if (pending->atCall == calls_) {
      auto action = std::move(pending->action);
      pending = pendingActions_.erase(pending);
      action(*this);
    } else {
      ++pending;
    }
  }
  return faults_.ShouldFail(call);
}

void FileSystem::AfterOpen() {
  ++opens_;
  for (auto pending = pendingLinks_.begin(); pending != pendingLinks_.end();) {
    if (pending->atOpen == opens_) {
      AddLink(pending->path, pending->target);
      pending = pendingLinks_.erase(pending);
    } else {
      ++pending;
    }
  }
}

FileSystem::Node* FileSystem::At(const WString& normalized) {
  auto it = nodes_.find(WStringView(normalized));
  return it == nodes_.end() ? nullptr : &it->second;
}

WString FileSystem::Normalize(WStringView path) {
  WString out(path);
  std::replace(out.begin(), out.end(), u'/', u'\\');
  // "X\." and "X\" both name X.
  for (;;) {
    if (out.size() >= 2 && out.compare(out.size() - 2, 2, u"\\.") == 0) {
      out.resize(out.size() - 2);
    } else if (out.size() > 2 && out.back() == u'\\') {
      out.pop_back();
    } else {
      break;
    }
  }
  if (out.size() == 3 && out[1] == u':' && out[2] == u'\\') out.resize(2);
  return out;
}

WString FileSystem::ParentOf(const WString& normalized) {
  std::size_t slash = normalized.rfind(u'\\');
  if (slash == WString::npos) return WString();
  return normalized.substr(0, slash);
}

WString FileSystem::Resolve(WStringView path, bool followLast) const {
  WString current = Normalize(path);
  if (!hasLinks_) return current;
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    bool replaced = false;
    for (std::size_t end = 0; end != WString::npos && !replaced;) {
      end = current.find(u'\\', end + 1);
      const bool last = end == WString::npos;
      if (last && !followLast) break;
      const WString prefix = current.substr(0, end);
      auto it = nodes_.find(WStringView(prefix));
      if (it != nodes_.end() && it->second.linkTarget) {
        current = Normalize(*it->second.linkTarget + (last ? WString() : current.substr(end)));
        replaced = true;
      }
    }
    if (!replaced) return current;
  }
  return WString();
}

const FileSystem::Node* FileSystem::Find(WStringView path, bool followLast) const {
  const WString resolved = Resolve(path, followLast);
  if (resolved.empty()) return nullptr;
  auto it = nodes_.find(WStringView(resolved));
  return it == nodes_.end() ? nullptr : &it->second;
}

FileSystem::Node* FileSystem::Find(WStringView path, bool followLast) {
  return const_cast<Node*>(std::as_const(*this).Find(path, followLast));
}

FileSystem::Node& FileSystem::Put(const WString& normalized) {
  WString parent = ParentOf(normalized);
  if (!parent.empty() && nodes_.find(WStringView(parent)) == nodes_.end()) AddFolder(parent);
  Node& node = nodes_[ToUpper(normalized)];
  if (node.path.empty()) node.path = normalized;
  return node;
}

platform::FileFacts FileSystem::FactsOf(const WString& normalized, const Node& node) const {
  platform::FileFacts facts;
  facts.reparsePoint = node.linkTarget.has_value();
  facts.owner = node.owner;
  facts.finalPath = normalized;
  facts.othersMayChange = node.folder && node.othersMayChange;
  facts.linkCount = 0;
  for (const auto& [key, other] : nodes_) {
    if (other.bytes == node.bytes) ++facts.linkCount;
  }
  return facts;
}

bool FileSystem::PathFileExists(WStringView path) {
  ++calls_;
  if (path.empty()) return false;
  return Find(path) != nullptr;
}

bool FileSystem::PathIsRelative(WStringView path) {
  if (path.empty()) return true;
  if (path[0] == u'\\') return false;
  if (path.size() >= 2 && path[1] == u':') return false;
  return true;
}

bool FileSystem::CanCreateIn(WStringView path) const {
  const Node* parent = Find(ParentOf(Normalize(path)));
  return parent != nullptr && parent->folder && !parent->readOnly;
}

bool FileSystem::CreateDirectory(WStringView path) {
  if (CountCall(Call::kCreateDirectory)) return false;
  if (path.empty() || PathIsRelative(Normalize(path))) return false;
  const WString resolved = Resolve(path, false);
  if (resolved.empty() || nodes_.count(WStringView(resolved)) != 0) return false;
  if (!CanCreateIn(resolved)) return false;
  // The library's folders: made by the installer's account, under its protected access list.
  AddFolder(resolved, platform::Owner::kSystem);
  return true;
}

std::unique_ptr<platform::HeldFolder> FileSystem::HoldRoot(WStringView drive) {
  if (CountCall(Call::kHoldFolder)) return nullptr;
  const WString root = Normalize(drive);
  if (root.size() != 2 || root[1] != u':') return nullptr;
  return Hold(root);
}

std::unique_ptr<platform::HeldFolder> FileSystem::Hold(const WString& normalized) {
  Node* node = At(normalized);
  if (node == nullptr || (!node->folder && !node->linkTarget)) return nullptr;
  // It shares reading only: nobody may have it open to change it.
  if (node->userChangeHandles > 0) return nullptr;
  return std::make_unique<HeldFolderImpl>(*this, normalized, node->libraryHandles,
                                          FactsOf(normalized, *node));
}

std::unique_ptr<platform::HeldFolder> FileSystem::HoldIn(const WString& parent, WStringView name,
                                                         bool create) {
  if (CountCall(Call::kHoldFolder)) return nullptr;
  const Node* folder = At(parent);
  // A folder made a junction while held has nothing in it to open, and takes nothing new.
  if (folder == nullptr || folder->linkTarget || name.empty() ||
      name.find_first_of(u"\\/") != WStringView::npos) {
    return nullptr;
  }
  const WString path = parent + u"\\" + WString(name);
  if (At(path) == nullptr) {
    // The one call both makes and opens; its making may fail as CreateDirectoryW's does.
    if (!create || folder->readOnly || faults_.ShouldFail(Call::kCreateDirectory)) return nullptr;
    // The library's folders: made by the installer's account, under its protected access list.
    AddFolder(path, platform::Owner::kSystem);
  }
  return Hold(path);
}

std::unique_ptr<platform::AppendFile> FileSystem::OpenIn(const WString& parent, WStringView name) {
  if (CountCall(Call::kFileOpen)) return nullptr;
  std::unique_ptr<platform::AppendFile> file;
  const Node* folder = At(parent);
  if (folder != nullptr && !folder->linkTarget && !name.empty() &&
      name.find_first_of(u"\\/") == WStringView::npos) {
    const WString path = parent + u"\\" + WString(name);
    Node* node = At(path);
    if (node == nullptr && !folder->readOnly) {
      AddFile(path, {}, platform::Owner::kSystem);
      node = At(path);
    }
    // Opened sharing nothing: anyone who has it open already keeps it from us.
    if (node != nullptr && !node->folder && !node->readOnly && node->userChangeHandles == 0 &&
        *node->libraryHandles == 0) {
      file = std::make_unique<AppendFileImpl>(faults_, node->bytes, node->libraryHandles,
                                              FactsOf(node->path, *node));
    }
  }
  AfterOpen();
  return file;
}

void FileSystem::AddFolder(WStringView path, platform::Owner owner, bool othersMayChange) {
  WString normalized = Normalize(path);
  if (normalized.empty()) return;
  Node& node = Put(normalized);
  node.folder = true;
  node.owner = owner;
  node.othersMayChange = othersMayChange;
}

void FileSystem::AddFile(WStringView path, std::vector<std::uint8_t> bytes, platform::Owner owner) {
  Node& node = Put(Normalize(path));
  node.folder = false;
  node.owner = owner;
  node.linkTarget.reset();
  node.bytes = std::make_shared<std::vector<std::uint8_t>>(std::move(bytes));
}

void FileSystem::AddLink(WStringView path, WStringView target) {
  const WString normalized = Normalize(path);
  Remove(normalized);
  Node& node = Put(normalized);
  node.folder = false;
  node.owner = platform::Owner::kOther;
  node.linkTarget = Normalize(target);
  hasLinks_ = true;
}

void FileSystem::AddHardLink(WStringView path, WStringView existing) {
  const Node* file = Find(existing);
  if (file == nullptr || file->folder) return;
  auto bytes = file->bytes;
  Node& node = Put(Normalize(path));
  node.folder = false;
  node.linkTarget.reset();
  node.bytes = std::move(bytes);
}

void FileSystem::MakeReadOnly(WStringView path) {
  if (Node* node = Find(path)) node->readOnly = true;
}

void FileSystem::Remove(WStringView path) {
  WString key = ToUpper(Normalize(path));
  for (auto it = nodes_.begin(); it != nodes_.end();) {
    if (it->first == key || it->first.rfind(key + u"\\", 0) == 0) {
      it = nodes_.erase(it);
    } else {
      ++it;
    }
  }
}

void FileSystem::LinkAfterOpens(std::uint64_t n, WStringView path, WStringView target) {
  pendingLinks_.push_back(PendingLink{opens_ + n, WString(path), WString(target)});
}

void FileSystem::BeforeCall(std::uint64_t n, std::function<void(FileSystem&)> action) {
  pendingActions_.push_back(PendingAction{calls_ + n, std::move(action)});
}

bool FileSystem::IsFolder(WStringView path) const {
  const Node* node = Find(path);
  return node != nullptr && node->folder;
}

bool FileSystem::IsFile(WStringView path) const {
  const Node* node = Find(path);
  return node != nullptr && !node->folder;
}

std::optional<std::vector<std::uint8_t>> FileSystem::ReadFile(WStringView path) const {
  const Node* node = Find(path);
  if (node == nullptr || node->folder) return std::nullopt;
  return *node->bytes;
}

bool FileSystem::AppendFromOutside(WStringView path, const std::vector<std::uint8_t>& bytes) {
  const WString resolved = Resolve(path);
  if (resolved.empty()) return false;
  auto it = nodes_.find(WStringView(resolved));
  if (it == nodes_.end()) {
    if (!CanCreateIn(resolved)) return false;
    AddFile(resolved);
    it = nodes_.find(WStringView(resolved));
  }
  // The library opens its files sharing nothing.
  if (it->second.folder || it->second.readOnly || *it->second.libraryHandles > 0) return false;
  it->second.bytes->insert(it->second.bytes->end(), bytes.begin(), bytes.end());
  return true;
}

void FileSystem::WriteThrough(platform::AppendFile& file, const std::vector<std::uint8_t>& bytes) {
  static_cast<AppendFileImpl&>(file).Write(bytes.data(), bytes.size());
}

std::vector<WString> FileSystem::Below(WStringView path) const {
  const WString key = ToUpper(Normalize(path));
  std::vector<WString> paths;
  for (const auto& [other, node] : nodes_) {
    if (other == key || other.rfind(key + u"\\", 0) == 0) paths.push_back(node.path);
  }
  return paths;
}

std::string FileSystem::Dump() const {
  std::ostringstream out;
  for (const auto& [key, node] : nodes_) {
    out << Utf16ToUtf8(node.path) << (node.folder ? "\\" : "")
        << (node.readOnly ? " (read-only)" : "") << " owner " << OwnerName(node.owner);
    if (node.linkTarget) {
      out << " -> " << Utf16ToUtf8(*node.linkTarget);
    } else if (!node.folder) {
      out << " " << node.bytes->size() << " bytes";
      const auto links = FactsOf(node.path, node).linkCount;
      if (links > 1) out << ", " << links << " names";
    }
    out << "\n";
  }
  return out.str();
}

}  // namespace presetra::sim
