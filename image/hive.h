// A registry hive file read through hivex: keys found by path ignoring case, as Windows finds
// them, and values as the registry layer holds them.
#pragma once

#include <hivex.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "image/image_error.h"
#include "platform/registry.h"

namespace presetra::image {

class Hive {
 public:
  using Key = hive_node_h;

  // Throws ImageError when the file is no hive, or is cut short or damaged; messages name the
  // hive `shown` (the path by default).
  explicit Hive(const std::string& path, std::string shown = {});
  ~Hive();
  Hive(const Hive&) = delete;
  Hive& operator=(const Hive&) = delete;

  Key Root() const { return hivex_root(hive_); }
  // The key at a backslash-separated path below `from`, names compared ignoring case.
  std::optional<Key> Find(Key from, const std::string& path) const;
  // Each subkey with its name.
  std::vector<std::pair<std::string, Key>> Subkeys(Key key) const;
  std::vector<platform::RegistryValue> Values(Key key) const;
  std::optional<platform::RegistryValue> Value(Key key, const std::string& name) const;
  // A REG_DWORD's number; nullopt when absent or of another type or size.
  std::optional<std::uint32_t> Dword(Key key, const std::string& name) const;
  // A REG_SZ's or REG_EXPAND_SZ's text, up to its NUL; nullopt when absent or of another type.
  std::optional<WString> Text(Key key, const std::string& name) const;

 private:
  // A failed hivex call on a hive that opened: the hive is damaged past its header.
  [[noreturn]] void Damaged(const char* what) const;
  platform::RegistryValue ValueOf(hive_value_h value) const;

  std::string path_;
  hive_h* hive_ = nullptr;
};

}  // namespace presetra::image
