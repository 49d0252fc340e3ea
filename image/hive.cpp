#include "image/hive.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace presetra::image {

namespace {

// hivex hands out buffers the caller frees.
struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Owned = std::unique_ptr<T, FreeDeleter>;

}  // namespace

Hive::Hive(const std::string& path, std::string shown)
    : path_(shown.empty() ? path : std::move(shown)) {
  errno = 0;
  hive_ = hivex_open(path.c_str(), 0);
  if (hive_ == nullptr) {
    const int error = errno;
    throw ImageError(path_ + ": not a registry hive that can be read (" +
                     (error == 0 ? std::string("no hive header") : std::strerror(error)) +
                     "): a truncated or damaged hive, or another kind of file");
  }
}

Hive::~Hive() {
  if (hive_ != nullptr) hivex_close(hive_);
}

void Hive::Damaged(const char* what) const {
  throw ImageError(path_ + ": the hive is damaged: " + what + " cannot be read (" +
                   std::strerror(errno) + ")");
}

std::optional<Hive::Key> Hive::Find(Key from, const std::string& path) const {
  Key key = from;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    errno = 0;
    // hivex compares the names ignoring case, as Windows does.
    const Key child = hivex_node_get_child(hive_, key, name.c_str());
    if (child == 0) {
      if (errno != 0) Damaged("a key");
      return std::nullopt;
    }
    key = child;
  }
  return key;
}

std::vector<std::pair<std::string, Hive::Key>> Hive::Subkeys(Key key) const {
  Owned<hive_node_h> children(hivex_node_children(hive_, key));
  if (!children) Damaged("a key's subkeys");
  std::vector<std::pair<std::string, Key>> subkeys;
  for (const hive_node_h* child = children.get(); *child != 0; ++child) {
    Owned<char> name(hivex_node_name(hive_, *child));
    if (!name) Damaged("a key's name");
    subkeys.emplace_back(name.get(), *child);
  }
  return subkeys;
}

platform::RegistryValue Hive::ValueOf(hive_value_h value) const {
  Owned<char> name(hivex_value_key(hive_, value));
  if (!name) Damaged("a value's name");
  hive_type type{};
  std::size_t length = 0;
  Owned<char> data(hivex_value_value(hive_, value, &type, &length));
  if (!data && length != 0) Damaged("a value's data");
  platform::RegistryValue out;
  out.name = Utf8ToUtf16(name.get());
  out.type = static_cast<win::Dword>(type);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.get());
  if (bytes != nullptr) out.data.assign(bytes, bytes + length);
  return out;
}

std::vector<platform::RegistryValue> Hive::Values(Key key) const {
  Owned<hive_value_h> values(hivex_node_values(hive_, key));
  if (!values) Damaged("a key's values");
  std::vector<platform::RegistryValue> out;
  for (const hive_value_h* value = values.get(); *value != 0; ++value) {
    out.push_back(ValueOf(*value));
  }
  return out;
}

std::optional<platform::RegistryValue> Hive::Value(Key key, const std::string& name) const {
  errno = 0;
  const hive_value_h value = hivex_node_get_value(hive_, key, name.c_str());
  if (value == 0) {
    if (errno != 0) Damaged("a value");
    return std::nullopt;
  }
  return ValueOf(value);
}

std::optional<std::uint32_t> Hive::Dword(Key key, const std::string& name) const {
  const auto value = Value(key, name);
  if (!value || value->type != win::kRegDword || value->data.size() != 4) return std::nullopt;
  return platform::DwordOf(value->data);
}

std::optional<WString> Hive::Text(Key key, const std::string& name) const {
  const auto value = Value(key, name);
  if (!value || (value->type != win::kRegSz && value->type != win::kRegExpandSz)) {
    return std::nullopt;
  }
  WString text = TextOfUtf16Le(value->data.data(), value->data.size());
  if (const std::size_t nul = text.find(u'\0'); nul != WString::npos) text.resize(nul);
  return text;
}

}  // namespace presetra::image
