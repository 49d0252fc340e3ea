#include "platform/sim/registry.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "platform/bytes_text.h"

namespace presetra::sim {

struct Registry::Key {
  WString name;
  std::vector<RegistryValue> values;
  std::map<WString, std::unique_ptr<Key>, LessIgnoringCase> children;  // by upper-cased name
  bool denyWrites = false;
  bool denyAccess = false;

  // The subkey of that name (in any case), or null.
  Key* Child(WStringView childName) const {
    auto found = children.find(childName);
    return found == children.end() ? nullptr : found->second.get();
  }
  // A new subkey, named as given.
  Key* AddChild(const WString& childName) {
    auto child = std::make_unique<Key>();
    child->name = childName;
    Key* made = child.get();
    children.emplace(ToUpper(childName), std::move(child));
    return made;
  }

  RegistryValue* FindValue(WStringView valueName) {
    for (auto& value : values) {
      if (EqualsIgnoringCase(value.name, valueName)) return &value;
    }
    return nullptr;
  }
};

std::vector<std::uint8_t> RegSzBytes(WStringView text, bool withNul) {
  return withNul ? platform::RegData::String(text).bytes : Utf16LeBytes(text);
}

std::vector<std::uint8_t> RegDwordBytes(win::Dword value) {
  return platform::RegData::Dword(value).bytes;
}

Registry::Registry(Faults& faults) : faults_(faults), root_(std::make_unique<Key>()) {
  root_->name = u"HKLM";
}

Registry::~Registry() = default;

std::vector<WString> Registry::Split(WStringView path) {
  std::vector<WString> parts;
  parts.reserve(8);  // deeper than most paths the system opens
  for (std::size_t start = 0; start < path.size();) {
    std::size_t end = path.find(u'\\', start);
    if (end == WStringView::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::vector<WString> Registry::LogicalToPhysical(std::vector<WString> path,
                                                 win::Dword access) const {
  // HKLM\SOFTWARE is WOW6432Node for a process that asks for the 32-bit view, and for a 32-bit
  // process that asks for neither.
  bool view32 = (access & win::kKeyWow64_32Key) != 0 ||
                ((access & win::kKeyWow64_64Key) == 0 && !processIs64Bit_);
  if (view32 && !path.empty() && EqualsIgnoringCase(path[0], u"SOFTWARE") &&
      !(path.size() > 1 && EqualsIgnoringCase(path[1], u"WOW6432Node"))) {
    path.insert(path.begin() + 1, u"WOW6432Node");
  }
  return path;
}

std::vector<WString> Registry::PathOf(platform::RegKey root, WStringView subKey, win::Dword access,
                                      win::Long* error) const {
  *error = win::kErrorSuccess;
  std::vector<WString> base;
  if (root != platform::kHkeyLocalMachine) {
    auto it = handles_.find(root);
    if (it == handles_.end()) {
      *error = win::kErrorInvalidHandle;
      return {};
    }
    base = it->second.path;
    for (auto& part : Split(subKey)) base.push_back(part);
    return base;
  }
  return LogicalToPhysical(Split(subKey), access);
}

Registry::Key* Registry::Find(const std::vector<WString>& path) const {
  Key* key = root_.get();
  for (const auto& part : path) {
    key = key->Child(part);
    if (key == nullptr) return nullptr;
  }
  return key;
}

Registry::Key* Registry::Make(const std::vector<WString>& path) {
  Key* key = root_.get();
  for (const auto& part : path) {
    Key* child = key->Child(part);
    key = child != nullptr ? child : key->AddChild(part);
  }
  return key;
}

platform::RegKey Registry::NewHandle(Key* key, win::Dword access, std::vector<WString> path) {
  const platform::RegKey handle(nextHandle_);
  nextHandle_ += 4;
  handles_[handle] = Open{key, access, std::move(path)};
  return handle;
}

namespace {
bool WantsWrite(win::Dword access) {
  return (access & (win::kKeySetValue | 0x0004 /* KEY_CREATE_SUB_KEY */)) != 0;
}
}  // namespace

WString Registry::PathText(const std::vector<WString>& path) {
  std::size_t size = 4;
  for (const auto& part : path) size += 1 + part.size();
  WString text;
  text.reserve(size);
  text += u"HKLM";
  for (const auto& part : path) {
    text += u'\\';
    text += part;
  }
  return text;
}

win::Long Registry::OpenKey(platform::RegKey root, WStringView subKey, win::Dword access,
                            platform::RegKey* key) {
  if (faults_.ShouldFail(Call::kRegOpenKey)) return win::kErrorAccessDenied;
  win::Long error = win::kErrorSuccess;
  auto path = PathOf(root, subKey, access, &error);
  if (error != win::kErrorSuccess) return error;
  reads_.push_back(RegistryRead{PathText(path), std::nullopt});
  Key* found = Find(path);
  if (found == nullptr) return win::kErrorFileNotFound;
  if (found->denyAccess || (found->denyWrites && WantsWrite(access))) {
    return win::kErrorAccessDenied;
  }
  *key = NewHandle(found, access, std::move(path));
  return win::kErrorSuccess;
}

win::Long Registry::CreateKey(platform::RegKey root, WStringView subKey, win::Dword,
                              win::Dword access, platform::RegKey* key) {
  if (faults_.ShouldFail(Call::kRegCreateKey)) return win::kErrorAccessDenied;
  win::Long error = win::kErrorSuccess;
  auto path = PathOf(root, subKey, access, &error);
  if (error != win::kErrorSuccess) return error;
  // Walk down; the first missing key must be creatable in its parent.
  Key* at = root_.get();
  for (const auto& part : path) {
    if (at->denyAccess) return win::kErrorAccessDenied;
    Key* child = at->Child(part);
    if (child == nullptr) {
      if (at->denyWrites) return win::kErrorAccessDenied;
      child = at->AddChild(part);
    }
    at = child;
  }
  if (at->denyAccess || (at->denyWrites && WantsWrite(access))) return win::kErrorAccessDenied;
  *key = NewHandle(at, access, std::move(path));
  return win::kErrorSuccess;
}

win::Long Registry::QueryValue(platform::RegKey key, WStringView name, win::Dword* type,
                               std::uint8_t* data, win::Dword* size) {
  const win::Long result = Answer(key, name, type, data, size);
  // Another program changes the value just after this read.
  if (changeAfterQuery_ && EqualsIgnoringCase(changeAfterQuery_->name, name)) {
    auto it = handles_.find(key);
    RegistryValue* value = it == handles_.end() ? nullptr : it->second.key->FindValue(name);
    if (value != nullptr && !changeAfterQuery_->value) {
      std::erase_if(it->second.key->values,
                    [&](const RegistryValue& v) { return EqualsIgnoringCase(v.name, name); });
    } else if (value != nullptr) {
      *value = *changeAfterQuery_->value;
    }
    changeAfterQuery_.reset();
  }
  return result;
}

win::Long Registry::Answer(platform::RegKey key, WStringView name, win::Dword* type,
                           std::uint8_t* data, win::Dword* size) {
  queried_.emplace_back(name);
  if (faults_.ShouldFail(Call::kRegQueryValue)) return win::kErrorAccessDenied;
  auto it = handles_.find(key);
  if (it == handles_.end()) return win::kErrorInvalidHandle;
  reads_.push_back(RegistryRead{PathText(it->second.path), WString(name)});
  if ((it->second.access & win::kKeyQueryValue) == 0) return win::kErrorAccessDenied;
  RegistryValue* value = it->second.key->FindValue(name);
  if (value == nullptr) return win::kErrorFileNotFound;
  if (data != nullptr && size == nullptr) return win::kErrorInvalidParameter;
  if (type != nullptr) *type = value->type;
  if (size == nullptr) return win::kErrorSuccess;
  auto needed = static_cast<win::Dword>(value->data.size());
  if (data != nullptr) {
    if (*size < needed) {
      *size = needed;
      return win::kErrorMoreData;
    }
    std::copy(value->data.begin(), value->data.end(), data);
  }
  *size = needed;
  return win::kErrorSuccess;
}

win::Long Registry::SetValue(platform::RegKey key, WStringView name, win::Dword type,
                             const std::uint8_t* data, win::Dword size) {
  if (faults_.ShouldFail(Call::kRegSetValue)) return win::kErrorAccessDenied;
  auto it = handles_.find(key);
  if (it == handles_.end()) return win::kErrorInvalidHandle;
  if ((it->second.access & win::kKeySetValue) == 0) return win::kErrorAccessDenied;
  Key* target = it->second.key;
  RegistryValue* value = target->FindValue(name);
  if (value == nullptr) {
    target->values.push_back(RegistryValue{WString(name), type, {}});
    value = &target->values.back();
  }
  value->type = type;
  value->data.assign(data, data + size);
  writes_.push_back(RegistryWrite{PathText(it->second.path), *value});
  return win::kErrorSuccess;
}

win::Long Registry::CloseKey(platform::RegKey key) {
  if (faults_.ShouldFail(Call::kRegCloseKey)) {
    // The handle is gone even when the call reports a failure: nothing leaks.
    handles_.erase(key);
    return win::kErrorInvalidHandle;
  }
  if (handles_.erase(key) == 0) return win::kErrorInvalidHandle;
  return win::kErrorSuccess;
}

namespace {
std::vector<WString> PhysicalParts(WStringView physicalPath) {
  std::vector<WString> parts = Registry::Split(physicalPath);
  // Profiles name the hive; the tree below it is HKEY_LOCAL_MACHINE.
  if (!parts.empty() && (EqualsIgnoringCase(parts[0], u"HKLM") ||
                         EqualsIgnoringCase(parts[0], u"HKEY_LOCAL_MACHINE"))) {
    parts.erase(parts.begin());
  }
  return parts;
}
}  // namespace

void Registry::PutKey(WStringView physicalPath) {
  Make(PhysicalParts(physicalPath));
}

void Registry::RemoveKey(WStringView physicalPath) {
  auto parts = PhysicalParts(physicalPath);
  if (parts.empty()) return;
  WString last = parts.back();
  parts.pop_back();
  Key* parent = Find(parts);
  if (parent == nullptr) return;
  auto child = parent->children.find(WStringView(last));
  if (child != parent->children.end()) parent->children.erase(child);
}

void Registry::RemoveValueEverywhere(WStringView name) {
  std::vector<Key*> stack{root_.get()};
  while (!stack.empty()) {
    Key* key = stack.back();
    stack.pop_back();
    std::erase_if(key->values,
                  [&](const RegistryValue& v) { return EqualsIgnoringCase(v.name, name); });
    for (auto& [upper, child] : key->children) stack.push_back(child.get());
  }
}

void Registry::PutValue(WStringView physicalPath, const RegistryValue& value) {
  Key* key = Make(PhysicalParts(physicalPath));
  RegistryValue* existing = key->FindValue(value.name);
  if (existing != nullptr) {
    existing->type = value.type;
    existing->data = value.data;
  } else {
    key->values.push_back(value);
  }
}

std::optional<RegistryValue> Registry::GetValue(WStringView physicalPath, WStringView name) const {
  Key* key = Find(PhysicalParts(physicalPath));
  if (key == nullptr) return std::nullopt;
  RegistryValue* value = key->FindValue(name);
  if (value == nullptr) return std::nullopt;
  return *value;
}

bool Registry::KeyExists(WStringView physicalPath) const {
  return Find(PhysicalParts(physicalPath)) != nullptr;
}

void Registry::DenyWrites(WStringView physicalPath) {
  Make(PhysicalParts(physicalPath))->denyWrites = true;
}

void Registry::DenyAccess(WStringView physicalPath) {
  Make(PhysicalParts(physicalPath))->denyAccess = true;
}

std::string Registry::Dump() const {
  std::ostringstream out;
  std::vector<std::pair<const Key*, std::string>> stack{{root_.get(), "HKLM"}};
  while (!stack.empty()) {
    auto [key, path] = stack.back();
    stack.pop_back();
    out << path << "\n";
    for (const auto& value : key->values) {
      out << "  " << (value.name.empty() ? "(Default)" : Utf16ToUtf8(value.name)) << " type "
          << value.type << " [" << HexBytes(value.data.data(), value.data.size()) << "]\n";
    }
    for (auto it = key->children.rbegin(); it != key->children.rend(); ++it) {
      stack.push_back({it->second.get(), path + "\\" + Utf16ToUtf8(it->second->name)});
    }
  }
  return out.str();
}

}  // namespace presetra::sim
