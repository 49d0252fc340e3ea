// The default-settings policy: what is applied on which platform, at commit and at removal.
#pragma once

#include <cstdint>

#include "host/app_installer.h"

namespace presetra {

class COSDefSet : public CAppInstaller {
 public:
  COSDefSet() = default;
  ~COSDefSet() override;
  // Stores the installer and sets its context names.
  void Attach(CMSIInstaller* installer) override;
  int Install() override;
  int Uninstall() override;

  const WString& BuildNumberText() const { return buildNumberText_; }
  std::int32_t BuildNumber() const { return buildNumber_; }

 private:
  WString buildNumberText_;
  std::int32_t buildNumber_ = 0;
};

}  // namespace presetra
