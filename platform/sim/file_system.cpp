#include "platform/sim/file_system.h"

#include <sstream>

namespace presetra::sim {

class AppendFileImpl : public platform::AppendFile {
 public:
  AppendFileImpl(std::vector<std::uint8_t>& bytes) : bytes_(bytes), sizeAtOpen_(bytes.size()) {}
  std::uint64_t SizeAtOpen() const override { return sizeAtOpen_; }
  bool Append(const std::uint8_t* data, std::size_t size) override {
    bytes_.insert(bytes_.end(), data, data + size);
    return true;
  }

 private:
  std::vector<std::uint8_t>& bytes_;
  std::uint64_t sizeAtOpen_;
};

FileSystem::FileSystem(Faults& faults) : faults_(faults) {
  AddFolder(u"C:");
}

WString FileSystem::Normalize(WStringView path) {
  WString out;
  out.reserve(path.size());
  for (char16_t c : path) out.push_back(c == u'/' ? u'\\' : c);
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

const FileSystem::Node* FileSystem::Find(WStringView path) const {
  auto it = nodes_.find(ToUpper(Normalize(path)));
  return it == nodes_.end() ? nullptr : &it->second;
}

bool FileSystem::PathFileExists(WStringView path) {
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
  WString normalized = Normalize(path);
  const Node* parent = Find(ParentOf(normalized));
  return parent != nullptr && parent->folder && !parent->readOnly;
}

bool FileSystem::CreateDirectory(WStringView path) {
  if (faults_.ShouldFail(Call::kCreateDirectory)) return false;
  WString normalized = Normalize(path);
  if (normalized.empty() || PathIsRelative(normalized)) return false;
  if (Find(normalized) != nullptr) return false;
  if (!CanCreateIn(normalized)) return false;
  AddFolder(normalized);
  return true;
}

std::unique_ptr<platform::AppendFile> FileSystem::OpenForAppend(WStringView path) {
  if (faults_.ShouldFail(Call::kFileOpen)) return nullptr;
  WString normalized = Normalize(path);
  auto it = nodes_.find(ToUpper(normalized));
  if (it == nodes_.end()) {
    if (PathIsRelative(normalized) || !CanCreateIn(normalized)) return nullptr;
    AddFile(normalized);
    it = nodes_.find(ToUpper(normalized));
  }
  if (it->second.folder || it->second.readOnly) return nullptr;
  return std::make_unique<AppendFileImpl>(it->second.bytes);
}

void FileSystem::AddFolder(WStringView path) {
  WString normalized = Normalize(path);
  if (normalized.empty()) return;
  WString parent = ParentOf(normalized);
  if (!parent.empty() && Find(parent) == nullptr) AddFolder(parent);
  Node& node = nodes_[ToUpper(normalized)];
  if (node.path.empty()) node.path = normalized;
  node.folder = true;
}

void FileSystem::AddFile(WStringView path, std::vector<std::uint8_t> bytes) {
  WString normalized = Normalize(path);
  WString parent = ParentOf(normalized);
  if (!parent.empty() && Find(parent) == nullptr) AddFolder(parent);
  Node& node = nodes_[ToUpper(normalized)];
  node.path = normalized;
  node.folder = false;
  node.bytes = std::move(bytes);
}

void FileSystem::MakeReadOnly(WStringView path) {
  auto it = nodes_.find(ToUpper(Normalize(path)));
  if (it != nodes_.end()) it->second.readOnly = true;
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
  return node->bytes;
}

bool FileSystem::AppendFromOutside(WStringView path, const std::vector<std::uint8_t>& bytes) {
  WString normalized = Normalize(path);
  auto it = nodes_.find(ToUpper(normalized));
  if (it == nodes_.end()) {
    if (!CanCreateIn(normalized)) return false;
    AddFile(normalized);
    it = nodes_.find(ToUpper(normalized));
  }
  if (it->second.folder || it->second.readOnly) return false;
  it->second.bytes.insert(it->second.bytes.end(), bytes.begin(), bytes.end());
  return true;
}

std::string FileSystem::Dump() const {
  std::ostringstream out;
  for (const auto& [key, node] : nodes_) {
    out << Utf16ToUtf8(node.path) << (node.folder ? "\\" : "")
        << (node.readOnly ? " (read-only)" : "");
    if (!node.folder) out << " " << node.bytes.size() << " bytes";
    out << "\n";
  }
  return out.str();
}

}  // namespace presetra::sim
