#include "platform/emulation/powercfg/scheme_store.h"

#include "platform/emulation/powercfg/settings_catalog.h"
#include "platform/emulation/powercfg/windows_defaults.h"

namespace presetra::powercfg {

namespace {

std::vector<Scheme> BuildWindowsSchemes(PlatformRole role) {
  struct Named {
    const char16_t* guid;
    const char16_t* name;
    const char16_t* description;
  };
  // The resource IDs of powrprof.dll that Windows 10 names its schemes with (H1, H2).
  const Named named[] = {
      {kBalanced, u"@%SystemRoot%\\system32\\powrprof.dll,-15,Balanced",
       u"@%SystemRoot%\\system32\\powrprof.dll,-14,Automatically balances performance with "
       u"energy consumption on capable hardware."},
      {kPowerSaver, u"@%SystemRoot%\\system32\\powrprof.dll,-11,Power saver",
       u"@%SystemRoot%\\system32\\powrprof.dll,-10,Saves energy by reducing your computer's "
       u"performance where possible."},
      {kHighPerformance, u"@%SystemRoot%\\system32\\powrprof.dll,-13,High performance",
       u"@%SystemRoot%\\system32\\powrprof.dll,-12,Favors performance, but may use more "
       u"energy."},
  };
  std::vector<Scheme> schemes;
  for (const auto& n : named) {
    Scheme scheme{n.guid, n.name, n.description, {}};
    for (const auto& info : SettingsCatalog()) {
      if (auto values = WindowsDefaultOf(info, n.guid, role)) {
        scheme.values[KeyOf(info)] = {values->ac, values->dc};
      }
    }
    schemes.push_back(scheme);
  }
  return schemes;
}

}  // namespace

const SchemeValues::Map& SchemeValues::Shared() const {
  static const Map empty;
  return map_ ? *map_ : empty;
}

SchemeValues::Map& SchemeValues::Own() {
  // Only this copy holds the map when the count is one: no other copy can start sharing it
  // without reading this object, which a writer may not be racing with.
  if (!map_) {
    map_ = std::make_shared<Map>();
  } else if (map_.use_count() > 1) {
    map_ = std::make_shared<Map>(*map_);
  }
  return *map_;
}

const std::vector<Scheme>& WindowsSchemes(PlatformRole role) {
  static const std::vector<Scheme> mobile = BuildWindowsSchemes(PlatformRole::kMobile);
  static const std::vector<Scheme> desktop = BuildWindowsSchemes(PlatformRole::kDesktop);
  return role == PlatformRole::kDesktop ? desktop : mobile;
}

MemorySchemeStore::MemorySchemeStore(PlatformRole role)
    : role_(role),
      schemes_(WindowsSchemes(role)),
      active_(kBalanced),
      defaults_{kBalanced, kPowerSaver, kHighPerformance} {}

std::vector<WString> MemorySchemeStore::Guids() const {
  std::vector<WString> guids;
  for (const auto& scheme : schemes_) guids.push_back(scheme.guid);
  return guids;
}

const Scheme* MemorySchemeStore::Lookup(WStringView guid) const {
  for (const auto& scheme : schemes_) {
    if (EqualsIgnoringCase(scheme.guid, guid)) return &scheme;
  }
  return nullptr;
}

std::optional<Scheme> MemorySchemeStore::Find(WStringView guid) const {
  const Scheme* scheme = Lookup(guid);
  if (scheme == nullptr) return std::nullopt;
  return *scheme;
}

bool MemorySchemeStore::SetValue(WStringView guid, const SettingKey& key, bool ac,
                                 std::uint32_t index) {
  Scheme* scheme = const_cast<Scheme*>(Lookup(guid));
  if (scheme == nullptr) return false;
  AcDc& value = scheme->values[key];
  (ac ? value.ac : value.dc) = index;
  writes_.push_back(ValueWrite{scheme->guid, key, ac});
  return true;
}

void MemorySchemeStore::Put(const Scheme& scheme) {
  for (auto& existing : schemes_) {
    if (EqualsIgnoringCase(existing.guid, scheme.guid)) {
      existing = scheme;
      return;
    }
  }
  schemes_.push_back(scheme);
}

void MemorySchemeStore::Remove(WStringView guid) {
  std::erase_if(schemes_, [&](const Scheme& s) { return EqualsIgnoringCase(s.guid, guid); });
}

}  // namespace presetra::powercfg
