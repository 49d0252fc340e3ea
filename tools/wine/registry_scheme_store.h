// Power schemes kept in the registry where Windows keeps them:
// HKLM\SYSTEM\CurrentControlSet\Control\Power\User\PowerSchemes\{scheme} with FriendlyName,
// Description and {subgroup}\{setting} ACSettingIndex/DCSettingIndex; ActivePowerScheme beside
// them; the default schemes under ...\User\Default\PowerSchemes. Shared by the powercfg and
// powrprof stand-ins.
#pragma once

#include "platform/emulation/powercfg/scheme_store.h"

namespace presetra::wine {

class RegistrySchemeStore : public powercfg::SchemeStore {
 public:
  // Lays Windows' three schemes into a registry that has none yet, with the defaults of the
  // platform role the machine's facts give.
  RegistrySchemeStore();

  std::vector<powercfg::Scheme> Schemes() const override;
  std::vector<WString> Guids() const override;
  std::optional<powercfg::Scheme> Find(WStringView guid) const override;
  bool Contains(WStringView guid) const override;
  void Put(const powercfg::Scheme& scheme) override;
  bool SetValue(WStringView guid, const powercfg::SettingKey& key, bool ac,
                std::uint32_t index) override;
  void Remove(WStringView guid) override;
  WString Active() const override;
  void SetActive(WStringView guid) override;
  std::vector<WString> DefaultSchemes() const override;
  void SetDefaultSchemes(const std::vector<WString>& guids) override;
  std::optional<std::uint32_t> HibernateFileSize() const override;
  void SetHibernateFileSize(std::uint32_t percent) override;
  powercfg::PlatformRole Role() const override { return role_; }

  // What the power API reads one at a time, each without reading the whole scheme: a scheme's
  // subgroups, a subgroup's settings (nullopt: no such scheme), and one setting's values
  // (nullopt: the scheme has no such setting).
  std::optional<std::vector<WString>> Subkeys(WStringView guid, WStringView subgroup = {}) const;
  std::optional<powercfg::AcDc> Value(WStringView guid, const powercfg::SettingKey& key) const;

 private:
  powercfg::PlatformRole role_;
};

}  // namespace presetra::wine
