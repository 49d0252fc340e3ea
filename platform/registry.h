// The registry as RegOpenKeyExW and its kin see it on 64-bit Windows: HKLM\SOFTWARE has a
// 32-bit view (WOW6432Node) and a 64-bit one, chosen by the access flags; a key opened without
// either flag is in the view of the calling process's own bitness.
//
// The module is built for 32-bit and 64-bit installers, and both must read and write the same
// physical keys. So every open or create under HKLM\SOFTWARE names its view
// (win::kKeyWow64_32Key or win::kKeyWow64_64Key) and never relies on the caller's bitness.
// Keys outside HKLM\SOFTWARE (the SYSTEM hive) have one view and need no flag.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/handle.h"
#include "platform/text.h"
#include "platform/win_constants.h"

namespace presetra::platform {

// An open registry key, or a predefined root. 0 is no key.
using RegKey = TypedHandle<struct RegKeyKind>;
inline constexpr RegKey kHkeyLocalMachine{0x80000002};

class Registry {
 public:
  virtual ~Registry() = default;

  // RegOpenKeyExW. On failure *key is left unchanged and the Win32 error is returned.
  [[nodiscard]] virtual win::Long OpenKey(RegKey root, WStringView subKey, win::Dword access,
                                          RegKey* key) = 0;
  // RegCreateKeyExW with no class and default security: opens the key, creating it and its
  // missing parents. On failure *key is left unchanged.
  [[nodiscard]] virtual win::Long CreateKey(RegKey root, WStringView subKey, win::Dword options,
                                            win::Dword access, RegKey* key) = 0;
  // RegQueryValueExW. With data null, reports type and size only. When *size is too small for
  // the data, returns ERROR_MORE_DATA and sets *size to what is needed.
  [[nodiscard]] virtual win::Long QueryValue(RegKey key, WStringView name, win::Dword* type,
                                             std::uint8_t* data, win::Dword* size) = 0;
  // RegSetValueExW: stores exactly `size` bytes of data with the given type.
  [[nodiscard]] virtual win::Long SetValue(RegKey key, WStringView name, win::Dword type,
                                           const std::uint8_t* data, win::Dword size) = 0;
  // RegCloseKey.
  virtual win::Long CloseKey(RegKey key) = 0;
};

// A value's type and bytes as RegSetValueExW takes them, made from what they mean.
struct RegData {
  win::Dword type = win::kRegNone;
  std::vector<std::uint8_t> bytes;

  // REG_DWORD: four bytes, little-endian, as Windows keeps them.
  static RegData Dword(std::uint32_t value);
  // REG_SZ: the UTF-16LE text with its terminating NUL, which the size must count.
  static RegData String(WStringView text);
};

// A value with its name, type and exact bytes.
struct RegistryValue {
  WString name;
  win::Dword type = win::kRegNone;
  std::vector<std::uint8_t> data;
};

// One value set through the API, with its key's physical path ("HKLM\\SOFTWARE\\...").
struct RegistryWrite {
  WString keyPath;
  RegistryValue value;
};

// One read through the API: a key opened (no value name) or a value queried, with the key's
// physical path.
struct RegistryRead {
  WString keyPath;
  std::optional<WString> valueName;
};

// Owns one open key and closes it once, when it goes.
class ScopedRegKey {
 public:
  explicit ScopedRegKey(Registry& registry) : registry_(registry) {}
  ScopedRegKey(const ScopedRegKey&) = delete;
  ScopedRegKey& operator=(const ScopedRegKey&) = delete;
  ~ScopedRegKey() { Close(); }

  // The slot an open or create call fills. A key already held is closed first, so that a
  // reused object lets go of nothing it still holds.
  RegKey* Receive() {
    Close();
    return &key_;
  }
  // RegSetValueExW on the key held.
  [[nodiscard]] win::Long SetValue(WStringView name, const RegData& data) {
    return registry_.SetValue(key_, name, data.type, data.bytes.data(),
                              static_cast<win::Dword>(data.bytes.size()));
  }
  RegKey get() const { return key_; }
  explicit operator bool() const { return static_cast<bool>(key_); }
  // Closes the key now and returns what RegCloseKey returned (ERROR_SUCCESS when none was open).
  win::Long Close() {
    win::Long result = win::kErrorSuccess;
    if (key_) result = registry_.CloseKey(key_);
    key_ = RegKey();
    return result;
  }

 private:
  Registry& registry_;
  RegKey key_;
};

// How a key is reached for a write: as it is, or created with its missing parents.
enum class KeyOpening { kOpenExisting, kCreate };

// Opens (or creates, non-volatile) root\subKey with `access`, writes one value and closes the
// key: the Win32 error of the first step that failed, or ERROR_SUCCESS.
[[nodiscard]] win::Long WriteValue(Registry& registry, RegKey root, WStringView subKey,
                                   win::Dword access, KeyOpening opening, WStringView name,
                                   const RegData& data);

// A key of HKEY_LOCAL_MACHINE by its physical path, as regedit shows it on 64-bit Windows
// ("HKLM\\SOFTWARE\\WOW6432Node\\X"), turned into what an API call names: the subkey and
// the view that reaches it from a process of either bitness.
struct KeyInView {
  WString subKey;
  win::Dword view = win::kKeyWow64_64Key;
};
// nullopt when the path does not start with "HKLM\\".
std::optional<KeyInView> KeyOfPhysicalPath(WStringView physicalPath);

// The number a REG_DWORD's four little-endian bytes hold (RegData::Dword's inverse); nullopt for
// data of any other size.
std::optional<std::uint32_t> DwordOf(const std::vector<std::uint8_t>& bytes);

// One value as RegQueryValueExW gives it: ERROR_FILE_NOT_FOUND when the key or the value does
// not exist.
struct ValueRead {
  win::Long error = win::kErrorSuccess;
  win::Dword type = win::kRegNone;
  std::vector<std::uint8_t> data;
};
// Opens root\subKey for reading in `view`, reads one value whole and closes the key.
[[nodiscard]] ValueRead ReadValue(Registry& registry, RegKey root, WStringView subKey,
                                  win::Dword view, WStringView name);
// Whether root\subKey opens for reading in `view`: ERROR_SUCCESS, or the Win32 error.
[[nodiscard]] win::Long ProbeKey(Registry& registry, RegKey root, WStringView subKey,
                                 win::Dword view);

}  // namespace presetra::platform
