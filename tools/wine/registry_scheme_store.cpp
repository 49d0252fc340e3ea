#include "tools/wine/registry_scheme_store.h"

#include <windows.h>

#include <vector>

#include "platform/power.h"
#include "tools/wine/machine_facts.h"

namespace presetra::wine {

namespace {

using powercfg::Scheme;
using powercfg::SettingKey;

const WString kSchemes = u"SYSTEM\\CurrentControlSet\\Control\\Power\\User\\PowerSchemes";
const WString kDefaults = u"SYSTEM\\CurrentControlSet\\Control\\Power\\User\\Default\\PowerSchemes";

const wchar_t* W(const WString& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

class Key {
 public:
  Key(const WString& path, bool create) {
    LONG result = create
                      ? RegCreateKeyExW(HKEY_LOCAL_MACHINE, W(path), 0, nullptr, 0,
                                        KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key_, nullptr)
                      : RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(path), 0,
                                      KEY_ALL_ACCESS | KEY_WOW64_64KEY, &key_);
    if (result != ERROR_SUCCESS) key_ = nullptr;
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (key_) RegCloseKey(key_);
  }
  explicit operator bool() const { return key_ != nullptr; }

  std::optional<WString> String(const WString& name) const {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key_, W(name), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
      return std::nullopt;
    }
    std::vector<wchar_t> buffer(size / 2 + 1, L'\0');
    RegQueryValueExW(key_, W(name), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()),
                     &size);
    return WString(reinterpret_cast<const char16_t*>(buffer.data()));
  }
  std::optional<std::uint32_t> Dword(const WString& name) const {
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExW(key_, W(name), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD) {
      return std::nullopt;
    }
    return value;
  }
  void SetString(const WString& name, const WString& value) {
    RegSetValueExW(key_, W(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * 2));
  }
  void SetDword(const WString& name, std::uint32_t value) {
    RegSetValueExW(key_, W(name), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
  }
  std::vector<WString> Subkeys() const {
    std::vector<WString> names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
      DWORD length = 256;
      if (RegEnumKeyExW(key_, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS) {
        break;
      }
      names.emplace_back(reinterpret_cast<const char16_t*>(name), length);
    }
    return names;
  }

 private:
  HKEY key_ = nullptr;
};

WString Braceless(WStringView guid) {
  return ToLower(guid);
}

}  // namespace

RegistrySchemeStore::RegistrySchemeStore() : role_(ReadFacts().platformRole) {
  Key schemes(kSchemes, true);
  if (schemes.String(u"ActivePowerScheme")) return;
  // The schemes the machine was seeded with, as the simulated machine has them; else Windows'.
  const MachineFacts facts = ReadFacts();
  const std::vector<Scheme>& windows = powercfg::WindowsSchemes(role_);
  for (const auto& scheme : facts.schemes.empty() ? windows : facts.schemes) Put(scheme);
  SetActive(facts.activeScheme.empty() ? WString(powercfg::kBalanced) : facts.activeScheme);
  std::vector<WString> guids;
  for (const auto& scheme : windows) guids.push_back(scheme.guid);
  SetDefaultSchemes(guids);
}

std::vector<Scheme> RegistrySchemeStore::Schemes() const {
  std::vector<Scheme> schemes;
  Key key(kSchemes, false);
  if (!key) return schemes;
  for (const auto& guid : key.Subkeys()) {
    if (auto scheme = Find(guid)) schemes.push_back(*scheme);
  }
  return schemes;
}

std::vector<WString> RegistrySchemeStore::Guids() const {
  Key key(kSchemes, false);
  return key ? key.Subkeys() : std::vector<WString>{};
}

std::optional<Scheme> RegistrySchemeStore::Find(WStringView guid) const {
  const WString path = kSchemes + u"\\" + Braceless(guid);
  Key key(path, false);
  if (!key) return std::nullopt;
  Scheme scheme;
  scheme.guid = Braceless(guid);
  scheme.name = key.String(u"FriendlyName").value_or(u"");
  scheme.description = key.String(u"Description").value_or(u"");
  for (const auto& subgroup : key.Subkeys()) {
    Key subgroupKey(path + u"\\" + subgroup, false);
    for (const auto& setting : subgroupKey.Subkeys()) {
      Key settingKey(path + u"\\" + subgroup + u"\\" + setting, false);
      scheme.values[SettingKey{ToLower(subgroup), ToLower(setting)}] = {
          settingKey.Dword(u"ACSettingIndex"), settingKey.Dword(u"DCSettingIndex")};
    }
  }
  return scheme;
}

std::optional<std::vector<WString>> RegistrySchemeStore::Subkeys(WStringView guid,
                                                                 WStringView subgroup) const {
  const WString scheme = kSchemes + u"\\" + Braceless(guid);
  if (!Key(scheme, false)) return std::nullopt;
  Key key(subgroup.empty() ? scheme : scheme + u"\\" + WString(subgroup), false);
  return key ? key.Subkeys() : std::vector<WString>{};
}

std::optional<powercfg::AcDc> RegistrySchemeStore::Value(WStringView guid,
                                                         const SettingKey& key) const {
  Key setting(kSchemes + u"\\" + Braceless(guid) + u"\\" + key.subgroup + u"\\" + key.setting,
              false);
  if (!setting) return std::nullopt;
  return powercfg::AcDc{setting.Dword(u"ACSettingIndex"), setting.Dword(u"DCSettingIndex")};
}

bool RegistrySchemeStore::Contains(WStringView guid) const {
  return static_cast<bool>(Key(kSchemes + u"\\" + Braceless(guid), false));
}

bool RegistrySchemeStore::SetValue(WStringView guid, const SettingKey& key, bool ac,
                                   std::uint32_t index) {
  const WString path = kSchemes + u"\\" + Braceless(guid);
  if (!Key(path, false)) return false;
  Key(path + u"\\" + key.subgroup + u"\\" + key.setting, true)
      .SetDword(ac ? u"ACSettingIndex" : u"DCSettingIndex", index);
  return true;
}

void RegistrySchemeStore::Put(const Scheme& scheme) {
  const WString path = kSchemes + u"\\" + Braceless(scheme.guid);
  Key key(path, true);
  key.SetString(u"FriendlyName", scheme.name);
  key.SetString(u"Description", scheme.description);
  for (const auto& [setting, values] : scheme.values) {
    Key settingKey(path + u"\\" + setting.subgroup + u"\\" + setting.setting, true);
    if (values.ac) settingKey.SetDword(u"ACSettingIndex", *values.ac);
    if (values.dc) settingKey.SetDword(u"DCSettingIndex", *values.dc);
  }
}

void RegistrySchemeStore::Remove(WStringView guid) {
  Key key(kSchemes, false);
  if (key) RegDeleteTreeW(HKEY_LOCAL_MACHINE, W(kSchemes + u"\\" + Braceless(guid)));
}

WString RegistrySchemeStore::Active() const {
  return Key(kSchemes, false).String(u"ActivePowerScheme").value_or(u"");
}

void RegistrySchemeStore::SetActive(WStringView guid) {
  Key(kSchemes, true).SetString(u"ActivePowerScheme", Braceless(guid));
}

std::vector<WString> RegistrySchemeStore::DefaultSchemes() const {
  Key key(kDefaults, false);
  return key ? key.Subkeys() : std::vector<WString>{};
}

void RegistrySchemeStore::SetDefaultSchemes(const std::vector<WString>& guids) {
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, W(kDefaults));
  for (const auto& guid : guids) Key(kDefaults + u"\\" + Braceless(guid), true);
}

std::optional<std::uint32_t> RegistrySchemeStore::HibernateFileSize() const {
  return Key(platform::kHibernationKey, false).Dword(platform::kHibernationFileSizeValue);
}

void RegistrySchemeStore::SetHibernateFileSize(std::uint32_t percent) {
  Key(platform::kHibernationKey, true).SetDword(platform::kHibernationFileSizeValue, percent);
}

}  // namespace presetra::wine
