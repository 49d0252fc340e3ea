// Where powercfg keeps power schemes. The simulated machine keeps them in memory; the Windows
// stand-in keeps them in the registry as Windows does. GUIDs are lower-case text.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/emulation/powercfg/settings_catalog.h"
#include "platform/emulation/powercfg/windows_defaults.h"
#include "platform/text.h"

namespace presetra::powercfg {

struct AcDc {
  std::optional<std::uint32_t> ac;
  std::optional<std::uint32_t> dc;
};

// A scheme's values. Copies share one map until one of them changes it: every simulated machine
// starts from Windows' own three schemes and mostly reads them, and copying a few hundred
// settings for each was most of what building a machine cost.
class SchemeValues {
 public:
  using Map = std::map<SettingKey, AcDc>;
  using const_iterator = Map::const_iterator;

  const_iterator begin() const { return Shared().begin(); }
  const_iterator end() const { return Shared().end(); }
  const_iterator find(const SettingKey& key) const { return Shared().find(key); }
  // The value to change; from here on this copy has a map of its own.
  AcDc& operator[](const SettingKey& key) { return Own()[key]; }

 private:
  const Map& Shared() const;
  Map& Own();

  std::shared_ptr<Map> map_;
};

struct Scheme {
  WString guid;
  WString name;  // as given, an indirect display string or plain text
  WString description;
  SchemeValues values;
};

class SchemeStore {
 public:
  virtual ~SchemeStore() = default;
  virtual std::vector<Scheme> Schemes() const = 0;
  virtual std::vector<WString> Guids() const = 0;
  virtual std::optional<Scheme> Find(WStringView guid) const = 0;
  virtual bool Contains(WStringView guid) const = 0;
  // Adds or replaces a scheme.
  virtual void Put(const Scheme& scheme) = 0;
  // Sets one AC or DC value of an existing scheme in place; false when there is no such scheme.
  virtual bool SetValue(WStringView guid, const SettingKey& key, bool ac, std::uint32_t index) = 0;
  virtual void Remove(WStringView guid) = 0;
  virtual WString Active() const = 0;
  virtual void SetActive(WStringView guid) = 0;
  // The schemes Windows restores when a user asks for the default schemes.
  virtual std::vector<WString> DefaultSchemes() const = 0;
  virtual void SetDefaultSchemes(const std::vector<WString>& guids) = 0;
  virtual std::optional<std::uint32_t> HibernateFileSize() const = 0;
  virtual void SetHibernateFileSize(std::uint32_t percent) = 0;
  // The platform role Windows provisioned its own schemes' defaults for.
  virtual PlatformRole Role() const = 0;
};

// One value set through SetValue.
struct ValueWrite {
  WString scheme;
  SettingKey key;
  bool ac;
};

class MemorySchemeStore : public SchemeStore {
 public:
  // Windows 10's Balanced (active), Power saver and High performance with their defaults for
  // the role.
  explicit MemorySchemeStore(PlatformRole role = PlatformRole::kMobile);

  std::vector<Scheme> Schemes() const override { return schemes_; }
  std::vector<WString> Guids() const override;
  std::optional<Scheme> Find(WStringView guid) const override;
  bool Contains(WStringView guid) const override { return Lookup(guid) != nullptr; }
  void Put(const Scheme& scheme) override;
  bool SetValue(WStringView guid, const SettingKey& key, bool ac, std::uint32_t index) override;
  void Remove(WStringView guid) override;
  WString Active() const override { return active_; }
  void SetActive(WStringView guid) override { active_ = WString(guid); }
  std::vector<WString> DefaultSchemes() const override { return defaults_; }
  void SetDefaultSchemes(const std::vector<WString>& guids) override { defaults_ = guids; }
  std::optional<std::uint32_t> HibernateFileSize() const override { return hibernateSize_; }
  void SetHibernateFileSize(std::uint32_t percent) override { hibernateSize_ = percent; }
  PlatformRole Role() const override { return role_; }
  // Every value set through SetValue, in order: what a run set, as opposed to what a scheme
  // got from the one it was copied from.
  const std::vector<ValueWrite>& Writes() const { return writes_; }
  // The schemes and the writes, handed over when the machine's run is over: the store is left
  // without them.
  std::vector<Scheme> TakeSchemes() { return std::move(schemes_); }
  std::vector<ValueWrite> TakeWrites() { return std::move(writes_); }

 private:
  const Scheme* Lookup(WStringView guid) const;

  PlatformRole role_;
  std::vector<Scheme> schemes_;
  WString active_;
  std::vector<WString> defaults_;
  std::optional<std::uint32_t> hibernateSize_;
  std::vector<ValueWrite> writes_;
};

// Windows' own three schemes with their default values for the role.
const std::vector<Scheme>& WindowsSchemes(PlatformRole role);

}  // namespace presetra::powercfg
