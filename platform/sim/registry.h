// The simulated registry: HKEY_LOCAL_MACHINE as a tree of keys with exact value bytes, names
// compared ignoring case (the case written is kept), and the two views of HKLM\SOFTWARE: the
// WOW6432Node that a 32-bit process gets unless it asks for the 64-bit view, and that a 64-bit
// process gets only when it asks for the 32-bit one.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/sim/faults.h"

namespace presetra::sim {

// A value with its name, a write and a read as the simulated registry records them: plain data
// that the tool's records carry too.
using platform::RegistryRead;
using platform::RegistryValue;
using platform::RegistryWrite;

class Registry : public platform::Registry {
 public:
  explicit Registry(Faults& faults);
  ~Registry() override;

  win::Long OpenKey(platform::RegKey root, WStringView subKey, win::Dword access,
                    platform::RegKey* key) override;
  win::Long CreateKey(platform::RegKey root, WStringView subKey, win::Dword options,
                      win::Dword access, platform::RegKey* key) override;
  win::Long QueryValue(platform::RegKey key, WStringView name, win::Dword* type, std::uint8_t* data,
                       win::Dword* size) override;
  win::Long SetValue(platform::RegKey key, WStringView name, win::Dword type,
                     const std::uint8_t* data, win::Dword size) override;
  win::Long CloseKey(platform::RegKey key) override;

  // Whether the calling process is 64-bit (the x64 package's installer); 32-bit by default.
  void SetProcessIs64Bit(bool is64Bit) { processIs64Bit_ = is64Bit; }

  // Direct access by physical path ("HKLM\SOFTWARE\WOW6432Node\..."), for loading a profile and
  // for tests. These are not platform calls: they neither count nor fail.
  void PutKey(WStringView physicalPath);
  void RemoveKey(WStringView physicalPath);
  // Removes the named value from every key: a machine on which nobody will find it.
  void RemoveValueEverywhere(WStringView name);
  void PutValue(WStringView physicalPath, const RegistryValue& value);
  std::optional<RegistryValue> GetValue(WStringView physicalPath, WStringView name) const;
  bool KeyExists(WStringView physicalPath) const;
  // A key whose values cannot be changed and below which nothing can be created: opening it
  // for writing is refused, as its access list would.
  void DenyWrites(WStringView physicalPath);
  // A key that cannot be opened at all.
  void DenyAccess(WStringView physicalPath);
  std::size_t OpenKeyCount() const { return handles_.size(); }
  // The value names every QueryValue asked for, in order.
  const std::vector<WString>& QueriedValues() const { return queried_; }
  // The next QueryValue of the value `name` is followed at once by that value becoming `value`
  // (nullopt: deleted), as when another program writes it between two reads.
  void ChangeAfterNextQuery(WStringView name, std::optional<RegistryValue> value) {
    changeAfterQuery_ = PendingChange{WString(name), std::move(value)};
  }
  // Every key opened and value queried through the API, in order (failed opens of keys that do
  // not exist included: their absence was read too).
  const std::vector<RegistryRead>& Reads() const { return reads_; }
  // Every value set through the API, in order.
  const std::vector<RegistryWrite>& Writes() const { return writes_; }

  // Every key and value, one per line, for failure messages.
  std::string Dump() const;

  // The key names of a path, without empty ones ("A\\\\B\\" is A, B).
  static std::vector<WString> Split(WStringView path);
  // "HKLM\A\B" of the key names below HKEY_LOCAL_MACHINE.
  static WString PathText(const std::vector<WString>& path);

 private:
  struct Key;
  Key* Find(const std::vector<WString>& path) const;
  Key* Make(const std::vector<WString>& path);
  std::vector<WString> LogicalToPhysical(std::vector<WString> path, win::Dword access) const;
  std::vector<WString> PathOf(platform::RegKey root, WStringView subKey, win::Dword access,
                              win::Long* error) const;
  platform::RegKey NewHandle(Key* key, win::Dword access, std::vector<WString> path);
  win::Long Answer(platform::RegKey key, WStringView name, win::Dword* type, std::uint8_t* data,
                   win::Dword* size);

  Faults& faults_;
  bool processIs64Bit_ = false;
  std::unique_ptr<Key> root_;
  struct Open {
    Key* key;
    win::Dword access;
    std::vector<WString> path;  // physical, below HKEY_LOCAL_MACHINE
  };
  std::map<platform::RegKey, Open> handles_;
  std::uintptr_t nextHandle_ = 0x1000;
  std::vector<WString> queried_;
  std::vector<RegistryRead> reads_;
  std::vector<RegistryWrite> writes_;
  struct PendingChange {
    WString name;
    std::optional<RegistryValue> value;
  };
  std::optional<PendingChange> changeAfterQuery_;
};

// The bytes of a REG_SZ with its terminating NUL.
std::vector<std::uint8_t> RegSzBytes(WStringView text, bool withNul = true);
std::vector<std::uint8_t> RegDwordBytes(win::Dword value);

}  // namespace presetra::sim
