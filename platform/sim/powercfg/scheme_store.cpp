#include "platform/sim/powercfg/scheme_store.h"

#include "platform/sim/powercfg/settings_catalog.h"

namespace presetra::sim::powercfg {

namespace {

std::vector<Scheme> BuildWindowsSchemes() {
  struct Named {
    const char16_t* guid;
    const char16_t* name;
    const char16_t* description;
    DefaultValues SettingInfo::*values;
  };
  const Named named[] = {
      {kBalanced, u"@%SystemRoot%\\system32\\powrprof.dll,-2,Balanced",
       u"@%SystemRoot%\\system32\\powrprof.dll,-3,Automatically balances performance with "
       u"energy consumption on capable hardware.",
       &SettingInfo::balanced},
      {kPowerSaver, u"@%SystemRoot%\\system32\\powrprof.dll,-10,Power saver",
       u"@%SystemRoot%\\system32\\powrprof.dll,-11,Saves energy by reducing your computer's "
       u"performance where possible.",
       &SettingInfo::powerSaver},
      {kHighPerformance, u"@%SystemRoot%\\system32\\powrprof.dll,-12,High performance",
       u"@%SystemRoot%\\system32\\powrprof.dll,-13,Favors performance, but may use more "
       u"energy.",
       &SettingInfo::highPerformance},
  };
  std::vector<Scheme> schemes;
  for (const auto& n : named) {
    Scheme scheme{n.guid, n.name, n.description, {}};
    for (const auto& info : SettingsCatalog()) {
      const DefaultValues& values = info.*(n.values);
      scheme.values[KeyOf(info)] = {values.ac, values.dc};
    }
    schemes.push_back(scheme);
  }
  return schemes;
}

}  // namespace

std::vector<Scheme> WindowsSchemes() {
  static const std::vector<Scheme> schemes = BuildWindowsSchemes();
  return schemes;
}

MemorySchemeStore::MemorySchemeStore()
    : schemes_(WindowsSchemes()),
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

}  // namespace presetra::sim::powercfg
